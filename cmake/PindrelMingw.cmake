# The i686 mingw-w64 tool chain: it builds every PE32 image the program and
# its tests run in the emulated process (the skin engine, the loader's test
# images) and disassembles them for the loader's encoding check.
find_program(PINDREL_MINGW_GCC i686-w64-mingw32-gcc)
find_program(PINDREL_MINGW_DLLTOOL i686-w64-mingw32-dlltool)
find_program(PINDREL_MINGW_OBJDUMP i686-w64-mingw32-objdump)
if(NOT PINDREL_MINGW_GCC OR NOT PINDREL_MINGW_DLLTOOL OR NOT PINDREL_MINGW_OBJDUMP)
  message(FATAL_ERROR
    "i686-w64-mingw32-gcc, -dlltool and -objdump build and check the skin engine and the "
    "loader's test images; install the Debian package gcc-mingw-w64-i686 (scripts/setup.sh does).")
endif()
