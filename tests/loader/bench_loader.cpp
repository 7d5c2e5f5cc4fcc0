// Load of the largest test image, and a CallAddress round trip into a small
// export, on the emulated process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "loader/module_image.h"
#include "test_images.h"

namespace {

using pindrel::ByteArray;
using pindrel::ModuleImage;

void BM_LoadLargestTestImage(benchmark::State& state) {
  auto testbed = pindrel::testing::MakeTestProcess();
  std::string largest;
  ByteArray bytes;
  for (const char* name : {"calls.dll", "reloc.dll", "imports.dll", "refuse.dll", "ordinals.dll"}) {
    ByteArray candidate = pindrel::testing::ReadTestImage(name);
    if (candidate.size() > bytes.size()) {
      bytes = candidate;
      largest = name;
    }
  }
  for (auto _ : state) {
    ModuleImage image(*testbed->process);
    if (image.Load(bytes) != 1) state.SkipWithError("load failed");
    image.Unload();
  }
  state.SetLabel(largest + ", " + std::to_string(bytes.size()) + " bytes");
}
BENCHMARK(BM_LoadLargestTestImage);

void BM_CallAddressRoundTrip(benchmark::State& state) {
  auto testbed = pindrel::testing::MakeTestProcess();
  ModuleImage image(*testbed->process);
  if (image.Load(pindrel::testing::ReadTestImage("calls.dll")) != 1) {
    state.SkipWithError("load failed");
    return;
  }
  const uint32_t combine = image.FindExport(pindrel::Text::from_bytes("Combine"));
  uint32_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pindrel::CallAddress(*testbed->process, combine, i++, 3));
  }
}
BENCHMARK(BM_CallAddressRoundTrip);

void BM_CallIntoHostThroughImport(benchmark::State& state) {
  auto testbed = pindrel::testing::MakeTestProcess();
  ModuleImage image(*testbed->process);
  if (image.Load(pindrel::testing::ReadTestImage("imports.dll")) != 1) {
    state.SkipWithError("load failed");
    return;
  }
  const uint32_t use = image.FindExport(pindrel::Text::from_bytes("UseHostAdd"));
  for (auto _ : state) benchmark::DoNotOptimize(pindrel::CallAddress(*testbed->process, use, 1, 2));
}
BENCHMARK(BM_CallIntoHostThroughImport);

}  // namespace
