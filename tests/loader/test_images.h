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

}  // namespace pindrel::testing
