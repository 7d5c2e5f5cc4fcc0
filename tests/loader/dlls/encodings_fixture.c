/* Never loaded: one instruction of each kind that the emulator cannot
 * translate, each in a function of its own so that a disassembler meets it
 * at an instruction start. The test of the encoding check reads this image
 * and must find all four. */
__attribute__((naked)) void FarCallThroughRegister(void) {
  __asm__(".byte 0xff, 0xd8\n\t" /* lcall *%eax */
          "ret");
}

__attribute__((naked)) void LockedCompare(void) {
  __asm__(".byte 0xf0, 0x39, 0x03\n\t" /* lock cmp %eax,(%ebx) */
          "ret");
}

__attribute__((naked)) void LockedCompareString(void) {
  __asm__(".byte 0xf0, 0xa6\n\t" /* lock cmpsb */
          "ret");
}

__attribute__((naked)) void LockedBitTestOnRegister(void) {
  __asm__(".byte 0xf0, 0x0f, 0xab, 0xc1\n\t" /* lock bts %eax,%ecx */
          "ret");
}

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
