/* Imports HostAdd by name and HostMul by ordinal; its entry routine reports
 * each call to the host and agrees to attach. */
#include "host.h"

__declspec(dllexport) int __stdcall UseHostAdd(int a, int b) { return HostAdd(a, b); }
__declspec(dllexport) int __stdcall UseHostMul(int a, int b) { return HostMul(a, b); }

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  RecordEntry(instance, reason, reserved);
  return 1;
}
