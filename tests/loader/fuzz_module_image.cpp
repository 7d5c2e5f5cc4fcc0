// Load and FindExport of arbitrary bytes on one emulated process: whatever
// the image holds, the loader must neither read nor write outside the input
// or the mapped image, and the process must stay usable: after every input a
// known guest function, which reads through DS, ES, FS and GS, gives its
// known result.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "loader/module_image.h"
#include "test_images.h"
#include "untranslatable_encodings.h"

namespace {

using pindrel::EmulatedProcess;
using pindrel::testing::SegmentProbe;

constexpr std::chrono::milliseconds kInputTimeLimit{10};
constexpr std::chrono::milliseconds kProbeTimeLimit{2000};

// The process as the loader sees it, with one change: every byte written into
// guest memory passes NeutralizeUntranslatable first. unicorn 2.0.1 aborts
// the whole host process while translating a few encodings (see
// untranslatable_encodings.h), before any hook runs, and a mutated image is
// full of them. Filtering at the write, after relocation and import binding
// have changed the image, keeps them out of everything the loader maps; only
// code that the guest writes itself at run time is beyond reach.
class FilteringProcess final : public pindrel::ProcessPlatform {
 public:
  explicit FilteringProcess(EmulatedProcess& process) : process_(process) {}

  uint32_t AllocateImage(uint32_t address, uint32_t size) override {
    return process_.AllocateImage(address, size);
  }
  void FreeImage(uint32_t address) override { process_.FreeImage(address); }
  uint32_t FindModule(std::string_view name) override { return process_.FindModule(name); }
  uint32_t LoadModule(std::string_view name) override { return process_.LoadModule(name); }
  uint32_t FindProcedure(uint32_t module, std::string_view name) override {
    return process_.FindProcedure(module, name);
  }
  uint32_t FindProcedureByOrdinal(uint32_t module, uint16_t ordinal) override {
    return process_.FindProcedureByOrdinal(module, ordinal);
  }
  bool CopyToProcess(uint32_t address, std::span<const uint8_t> bytes) override {
    filtered_.assign(bytes.begin(), bytes.end());
    pindrel::testing::NeutralizeUntranslatable(filtered_);
    return process_.CopyToProcess(address, filtered_);
  }
  bool CopyFromProcess(uint32_t address, std::span<uint8_t> bytes) override {
    return process_.CopyFromProcess(address, bytes);
  }
  uint32_t CallAddress(uint32_t target, const pindrel::CallArguments& arguments) override {
    return process_.CallAddress(target, arguments);
  }
  bool LastCallReturned() const override { return process_.LastCallReturned(); }

 private:
  EmulatedProcess& process_;
  std::vector<uint8_t> filtered_;
};

struct FuzzProcess {
  FuzzProcess() {
    EmulatedProcess& emulated = *testbed->process;
    // Guest entry routines of mutated images may loop; each such input
    // costs this limit once.
    emulated.SetCallTimeLimit(kInputTimeLimit);
    emulated.SetReservationLimit(16u << 20);
    probe = SegmentProbe::Place(emulated);
    probe_bytes.resize(EmulatedProcess::kPageSize);
    if (probe == 0 || !emulated.CopyFromProcess(probe, probe_bytes)) __builtin_trap();
  }

  std::unique_ptr<pindrel::testing::TestProcess> testbed = pindrel::testing::MakeTestProcess();
  FilteringProcess filtering{*testbed->process};
  uint32_t probe = 0;
  std::vector<uint8_t> probe_bytes;  // the probe's page as placed
};

FuzzProcess& Process() {
  static FuzzProcess process;
  return process;
}

// The known call. The guest may have written over the probe (all image
// memory is writable), so its bytes are put back first when they changed.
// The probe gets a generous time limit: on a loaded machine the short limit
// of the inputs could end it before it ran, which would say nothing about
// the process.
void CheckTheProcessStillWorks(FuzzProcess& p, uint32_t argument) {
  EmulatedProcess& emulated = *p.testbed->process;
  std::vector<uint8_t> now(p.probe_bytes.size());
  if (!emulated.CopyFromProcess(p.probe, now)) __builtin_trap();
  if (now != p.probe_bytes && !emulated.CopyToProcess(p.probe, p.probe_bytes)) __builtin_trap();
  emulated.SetCallTimeLimit(kProbeTimeLimit);
  const uint32_t result = pindrel::CallAddress(emulated, p.probe, argument);
  emulated.SetCallTimeLimit(kInputTimeLimit);
  if (result != SegmentProbe::Expected(argument)) {
    std::fprintf(stderr, "the known call gave %u instead of %u (outcome %d)\n", result,
                 SegmentProbe::Expected(argument), static_cast<int>(emulated.last_call_outcome()));
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzProcess& p = Process();
  p.testbed->entry_log.clear();
  pindrel::ModuleImage image(p.filtering);
  const auto bytes = pindrel::ByteArray(std::string(reinterpret_cast<const char*>(data), size));
  if (image.Load(bytes) == 1) {
    for (const char* name : {"Combine", "UseHostAdd", "Alpha", "SquareOf", "x"}) {
      const uint32_t f = image.FindExport(pindrel::Text::from_bytes(name));
      if (f != 0 && f < image.GetImageBase()) __builtin_trap();
    }
    image.Unload();
  }
  if (image.GetImageBase() != 0) __builtin_trap();
  CheckTheProcessStillWorks(p, static_cast<uint32_t>(size));
  return 0;
}
