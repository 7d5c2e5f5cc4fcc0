/* An executable (no IMAGE_FILE_DLL): its entry routine must never run when
 * the loader maps it, and it would report itself if it did. */
#include "host.h"

void __stdcall start(void) { RecordEntry(0, 99, 0); }
