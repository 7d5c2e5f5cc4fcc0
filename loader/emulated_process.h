// EmulatedProcess: a 32-bit x86 process emulated with unicorn, offering the
// ProcessPlatform operations to the module loader.
//
// Guest address space (4 GiB, mapped in 4 KiB pages on demand):
//   0x00000000-0x0000FFFF  never mapped, so null pointers fault
//   0x00010000-...         image reservations (the preferred base when free,
//                          else the lowest free 64 KiB-aligned range)
//   kStackBase-kStackTop   the guest stack of CallAddress (1 MiB)
//   kThunkBase (64 KiB)    host module handles and procedure thunks, read
//                          and execute only
//   kStopAddress           where every CallAddress returns to
// Only the thunk range and the stop address carry a hook; guest code elsewhere runs at full
// emulator speed. A call that faults (an unmapped access, an invalid
// instruction, an unhandled interrupt) or runs past the time limit ends with
// 0; the process stays usable for the next call. Every call starts from the
// processor context saved when the process was created (flat segments,
// protected mode without paging), so a call that loaded a null selector or
// switched paging on leaves nothing behind for the next one.
//
// Trusted code only: unicorn aborts the whole host process while translating
// a few encodings (tests/loader holds the check of our images and the scan
// that finds those encodings); no hook can catch that, so this process runs
// the program's own engine built in this repository and nothing else.
//
//   auto process = EmulatedProcess::Create();
//   process->RegisterHostModule(kernel32_standin);
//   ModuleImage image(*process);
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loader/call_watchdog.h"
#include "loader/host_module.h"
#include "loader/process_platform.h"
#include "loader/unicorn_engine.h"

namespace pindrel {

class EmulatedProcess final : public ProcessPlatform {
 public:
  static constexpr uint32_t kPageSize = 0x1000;
  static constexpr uint32_t kAllocationGranularity = 0x10000;
  static constexpr uint32_t kLowestAddress = 0x00010000;
  static constexpr uint32_t kStackBase = 0x7FE00000;
  static constexpr uint32_t kStackSize = 0x00100000;
  static constexpr uint32_t kStackTop = kStackBase + kStackSize;
  static constexpr uint32_t kThunkBase = 0x7FFD0000;
  static constexpr uint32_t kThunkAreaSize = 0x00010000;
  static constexpr uint32_t kThunkSize = 4;
  static constexpr uint32_t kStopPage = 0x7FFE0000;
  static constexpr uint32_t kStopAddress = kStopPage;
  // The stack pointer between calls; each call builds its frame below it.
  static constexpr uint32_t kIdleStackPointer = kStackTop - 0x100;
  static constexpr int kMaxHostArguments = 16;

  enum class CallOutcome {
    Returned,   // the callee returned to the stop address
    Faulted,    // unmapped access, invalid instruction, unhandled interrupt...
    TimedOut,   // still running at the time limit
    Refused,    // a call from inside a host procedure (no nested emulation)
  };

  // nullptr when the emulator cannot be set up.
  static std::unique_ptr<EmulatedProcess> Create();
  ~EmulatedProcess() override;
  EmulatedProcess(const EmulatedProcess&) = delete;
  EmulatedProcess& operator=(const EmulatedProcess&) = delete;

  // Gives every procedure a thunk; returns the module handle, or 0 when the
  // name is taken or the thunk area is full.
  uint32_t RegisterHostModule(HostModule module);

  // Guest calls end after this long (default 2 s).
  void SetCallTimeLimit(std::chrono::microseconds limit) { time_limit_ = limit; }
  // Reservations above this many bytes fail, as on a process short of
  // address space (default 256 MiB).
  void SetReservationLimit(uint32_t bytes) { reservation_limit_ = bytes; }

  CallOutcome last_call_outcome() const { return last_outcome_; }
  bool LastCallReturned() const override { return last_outcome_ == CallOutcome::Returned; }
  // The guest ESP between calls; CallAddress restores it.
  uint32_t StackPointer() const;
  // A zero-terminated string from guest memory, at most max_length bytes
  // before the zero; nullopt when unmapped or longer.
  std::optional<std::string> ReadString(uint32_t address, std::size_t max_length) const;
  // Whether address lies in a reservation made by AllocateImage.
  bool IsReserved(uint32_t address) const;

  // ProcessPlatform
  uint32_t AllocateImage(uint32_t address, uint32_t size) override;
  void FreeImage(uint32_t address) override;
  uint32_t FindModule(std::string_view name) override;
  uint32_t LoadModule(std::string_view name) override;
  uint32_t FindProcedure(uint32_t module, std::string_view name) override;
  uint32_t FindProcedureByOrdinal(uint32_t module, uint16_t ordinal) override;
  bool CopyToProcess(uint32_t address, std::span<const uint8_t> bytes) override;
  bool CopyFromProcess(uint32_t address, std::span<uint8_t> bytes) override;
  uint32_t CallAddress(uint32_t target, const CallArguments& arguments) override;

 private:
  struct Region {
    uint64_t size = 0;
    bool image = false;  // made by AllocateImage (the fixed regions are not)
  };
  struct Thunk {
    const HostProcedure* procedure = nullptr;
  };
  struct RegisteredModule {
    HostModule module;
    std::string key;  // upper-case name with ".DLL" when it had no extension
    uint32_t handle = 0;
    bool loaded = false;
    std::vector<uint32_t> thunks;  // one per procedure, same order
  };

  // Only Create makes a process: the key is private.
  struct ConstructionKey {
    explicit ConstructionKey() = default;
  };

 public:
  EmulatedProcess(ConstructionKey, UnicornEngine engine);

 private:
  bool MapFixed(uint32_t address, uint32_t size, uint32_t protection);
  bool IsFree(uint64_t address, uint64_t size) const;
  RegisteredModule* ModuleByName(std::string_view name);
  RegisteredModule* ModuleByHandle(uint32_t handle);
  // Back to the context saved at creation; false when unicorn refuses.
  bool RestoreInitialContext();
  static void OnThunk(uc_engine* uc, uint64_t address, uint32_t size, void* user_data);
  void RunThunk(uint64_t address);

  UnicornEngine engine_;
  // The processor as Create left it; restored before every call.
  UnicornContext initial_context_;
  uint32_t initial_cr0_ = 0;
  std::map<uint32_t, Region> regions_;
  std::vector<std::unique_ptr<RegisteredModule>> modules_;
  std::map<uint32_t, Thunk> thunks_;
  uint32_t next_thunk_ = kThunkBase;
  std::chrono::microseconds time_limit_ = std::chrono::seconds(2);
  uint32_t reservation_limit_ = 256u << 20;
  CallOutcome last_outcome_ = CallOutcome::Returned;
  bool in_call_ = false;
  uc_hook thunk_hook_ = 0;
  // Declared last: stopped and joined before the engine is closed.
  std::unique_ptr<CallWatchdog> watchdog_;

 public:
  // Maps size bytes of host memory into the guest at address without a copy:
  // guest code reads the host bytes themselves and may not write them.
  // address, size and host must be multiples of kPageSize, the range free.
  // The host memory must outlive the process; it may be constant data, so
  // CopyToProcess refuses the range. False (nothing mapped) otherwise.
  bool MapHostReadOnly(uint32_t address, const void* host, uint32_t size);

 private:
  std::vector<std::pair<uint32_t, uint64_t>> host_read_only_;  // [start, end)
};

}  // namespace pindrel
