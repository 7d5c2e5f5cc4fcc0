# Warnings on for every target of the project, and the sanitizer switch.
add_library(pindrel_warnings INTERFACE)
target_compile_options(pindrel_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wformat=2>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)

if(PINDREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Under libFuzzer every library carries the coverage instrumentation, so a
# fuzz target steers by the branches of the code it calls, not only its own.
if(PINDREL_LIBFUZZER)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
