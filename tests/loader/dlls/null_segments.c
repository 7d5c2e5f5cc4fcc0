/* An export that loads the null selector into DS, ES, FS and GS, and one
 * that reads a global through DS. */
static volatile int stored = 1234;

__declspec(dllexport) int __stdcall ReadStored(void) { return stored; }

__declspec(dllexport) int __stdcall NullSegments(void) {
  __asm__ volatile(
      "xorl %%eax, %%eax\n\t"
      "movl %%eax, %%ds\n\t"
      "movl %%eax, %%es\n\t"
      "movl %%eax, %%fs\n\t"
      "movl %%eax, %%gs"
      :
      :
      : "eax", "memory");
  return 1;
}

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
