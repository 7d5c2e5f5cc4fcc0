// Shared pieces of the loader tests: the built test images, the host module
// they import from, and a fresh emulated process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/text.h"
#include "loader/emulated_process.h"
#include "loader/host_module.h"

namespace pindrel::testing {

// The bytes of a test image built from tests/loader/dlls ("calls.dll").
ByteArray ReadTestImage(std::string_view file_name);

// One call of an entry routine as RecordEntry saw it.
struct EntryCall {
  uint32_t instance = 0;
  uint32_t reason = 0;
  uint32_t reserved = 0;
  friend bool operator==(const EntryCall&, const EntryCall&) = default;
};

// pindrel_host.dll: HostAdd (ordinal 1), HostMul (ordinal 2, no name, so it
// resolves only by ordinal) and RecordEntry (ordinal 3), which appends to log.
HostModule TestHostModule(std::vector<EntryCall>& log);

// An emulated process with pindrel_host.dll registered (not loaded yet).
struct TestProcess {
  std::unique_ptr<EmulatedProcess> process;
  std::vector<EntryCall> entry_log;
};
std::unique_ptr<TestProcess> MakeTestProcess(bool register_host = true);

// A guest function that reads one data word through each of DS, ES, FS and
// GS: stdcall (a1) -> a1 + 4 * 10. A call after one that broke a segment
// register or the paging mode faults instead of giving that result.
struct SegmentProbe {
  static constexpr uint32_t kDataWord = 10;
  static constexpr uint32_t Expected(uint32_t a1) { return a1 + 4 * kDataWord; }
  // Writes the function (starting at address) and its data word into the
  // page of guest memory at address; false when the write fails.
  static bool WriteAt(EmulatedProcess& process, uint32_t address);
  // Reserves a page and writes the function there; 0 when that fails.
  static uint32_t Place(EmulatedProcess& process);
};

}  // namespace pindrel::testing
