/* Exports whose address-table indexes differ from their name positions
 * (ordinals.def): the name table is sorted (Alpha, Mid, Zeta), the address
 * table is in ordinal order (Zeta, Mid, Alpha). */
int __cdecl Zeta(void) { return 26; }
int __cdecl Mid(void) { return 13; }
int __cdecl Alpha(void) { return 1; }

int __stdcall DllMain(void* instance, unsigned reason, void* reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
