// Host modules: modules of the emulated process whose procedures are C++
// functions. An image that imports "KERNEL32.DLL" or a test module gets, for
// each procedure, the address of a small thunk in the process; when guest code
// calls it, the host function runs with the guest's arguments and its result
// lands in EAX, then the thunk returns the way the convention says.
//
//   HostModule m{"pindrel_host.dll", {
//       {"HostAdd", 1, 2, CallingConvention::Stdcall,
//        [](HostCall& call) { return call.argument(0) + call.argument(1); }}}};
//   process.RegisterHostModule(std::move(m));
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace pindrel {

class EmulatedProcess;

enum class CallingConvention {
  Stdcall,  // the callee removes its arguments (ret 4 * n)
  Cdecl,    // the caller removes them (ret)
};

// What a host procedure sees of the guest call that reached it.
class HostCall {
 public:
  HostCall(EmulatedProcess& process, std::span<const uint32_t> arguments)
      : process_(process), arguments_(arguments) {}
  EmulatedProcess& process() const { return process_; }
  // Argument i counted from 0; 0 beyond the declared count.
  uint32_t argument(std::size_t i) const { return i < arguments_.size() ? arguments_[i] : 0; }

 private:
  EmulatedProcess& process_;
  std::span<const uint32_t> arguments_;
};

struct HostProcedure {
  std::string name;       // empty: reachable by ordinal only
  uint16_t ordinal = 0;   // 0: reachable by name only
  int argument_count = 0; // 32-bit words, 0 to 16
  CallingConvention convention = CallingConvention::Stdcall;
  std::function<uint32_t(HostCall&)> body;
};

struct HostModule {
  std::string name;  // "KERNEL32.DLL"; matched without regard to letter case
  std::vector<HostProcedure> procedures;
  // A module the process has loaded from the start (as kernel32 always is):
  // FindModule sees it before any LoadModule.
  bool loaded_at_start = false;
};

}  // namespace pindrel
