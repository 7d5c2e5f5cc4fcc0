/* An entry routine that reports its call and then faults (ud2). */
#include "host.h"

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  RecordEntry(instance, reason, reserved);
  __builtin_trap();
  return 1;
}
