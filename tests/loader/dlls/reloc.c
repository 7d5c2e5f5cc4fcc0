/* Absolute addresses in data and code: each needs a HIGHLOW fixup when the
 * image does not load at its preferred base. */
#define EXPORT __declspec(dllexport)

static int first = 11;
static int second = 22;
static int third = 33;
static int* table[3] = {&first, &second, &third};
static int* pointer = &second;

EXPORT int __stdcall SumThroughTable(void) { return *table[0] + *table[1] + *table[2]; }
EXPORT int __stdcall ReadThroughPointer(void) { return *pointer; }
EXPORT unsigned __stdcall AddressOfSecond(void) { return (unsigned)&second; }
EXPORT unsigned __stdcall StoredPointer(void) { return (unsigned)pointer; }

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
