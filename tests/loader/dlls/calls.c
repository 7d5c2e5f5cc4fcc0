/* Functions for calls by address: both conventions, ten arguments, and code
 * that faults or never returns. No imports, no C run-time. */
#define EXPORT __declspec(dllexport)

/* Argument order shows in the result: Combine(7, 3) == 7003. */
EXPORT int __stdcall Combine(int a, int b) { return a * 1000 + b; }

/* cdecl: the caller removes the arguments. Subtract(10, 4) == 6. */
EXPORT int __cdecl Subtract(int a, int b) { return a - b; }

/* Each argument weighted by its position: a1 * 1 + a2 * 2 + ... + a10 * 10. */
EXPORT int __stdcall Weigh10(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8,
                             int a9, int a10) {
  return a1 + 2 * a2 + 3 * a3 + 4 * a4 + 5 * a5 + 6 * a6 + 7 * a7 + 8 * a8 + 9 * a9 + 10 * a10;
}

EXPORT int __stdcall Answer(void) { return 42; }

/* Reads an address below the lowest mapping of the process. */
EXPORT int __stdcall ReadLowMemory(void) { return *(volatile int*)0x1000; }

/* ud2 */
EXPORT int __stdcall RunInvalid(void) {
  __builtin_trap();
  return 0;
}

EXPORT int __stdcall Spin(void) {
  volatile int keep = 1;
  while (keep) {
  }
  return 0;
}

/* A table large enough that the image has more than a handful of pages. */
static int squares[4096];

EXPORT int __stdcall SquareOf(int i) {
  if (i < 0 || i >= 4096) return -1;
  if (squares[i] == 0) squares[i] = i * i;
  return squares[i];
}

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
