/* An entry routine that reports its call and then never returns. */
#include "host.h"

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  volatile int keep = 1;
  RecordEntry(instance, reason, reserved);
  while (keep) {
  }
  return 1;
}
