/* Procedures of the host module pindrel_host.dll (see host.def). */
#ifndef PINDREL_TEST_HOST_H
#define PINDREL_TEST_HOST_H

__declspec(dllimport) int __stdcall HostAdd(int a, int b);
__declspec(dllimport) int __stdcall HostMul(int a, int b);
/* Tells the host which arguments an entry routine was called with. */
__declspec(dllimport) int __stdcall RecordEntry(void* instance, unsigned reason, void* reserved);

#endif
