// Load and FindExport of arbitrary bytes on one emulated process: whatever
// the image holds, the loader must neither read nor write outside the input
// or the mapped image, and the process must stay usable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "loader/module_image.h"
#include "test_images.h"

namespace {

pindrel::testing::TestProcess& Process() {
  static auto process = [] {
    auto t = pindrel::testing::MakeTestProcess();
    // Guest entry routines of mutated images may loop; keep each input short.
    t->process->SetCallTimeLimit(std::chrono::milliseconds(20));
    t->process->SetReservationLimit(16u << 20);
    return t;
  }();
  return *process;
}

// unicorn 2.0.1 aborts the whole host process (tcg.c "tcg fatal error")
// while translating FF /3 or FF /5 with a register operand (lcall/ljmp
// through a register, an encoding no compiler emits); no hook can intercept
// translation. The input is used with the FF of every such pair turned into
// FE, whose register forms of /3 and /5 decode as invalid instructions and
// fault the call as they should, so the run tests the loader rather than
// that defect.
std::string WithoutUntranslatableEncodings(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i + 1 < size; ++i) {
    const auto modrm = static_cast<uint8_t>(bytes[i + 1]);
    const int reg = (modrm >> 3) & 7;
    if (static_cast<uint8_t>(bytes[i]) == 0xFF && (modrm >> 6) == 3 && (reg == 3 || reg == 5))
      bytes[i] = static_cast<char>(0xFE);
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& t = Process();
  t.entry_log.clear();
  pindrel::ModuleImage image(*t.process);
  const auto bytes = pindrel::ByteArray(WithoutUntranslatableEncodings(data, size));
  if (image.Load(bytes) == 1) {
    for (const char* name : {"Combine", "UseHostAdd", "Alpha", "SquareOf", "x"}) {
      const uint32_t f = image.FindExport(pindrel::Text::from_bytes(name));
      if (f != 0 && (f < image.GetImageBase())) __builtin_trap();
    }
    image.Unload();
  }
  if (image.GetImageBase() != 0) __builtin_trap();
  return 0;
}
