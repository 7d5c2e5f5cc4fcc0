/* An entry routine that reports its call and refuses to attach. */
#include "host.h"

__declspec(dllexport) int __stdcall Unreachable(void) { return 1; }

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  RecordEntry(instance, reason, reserved);
  return 0;
}
