// The emulated process on its own: reservations, host modules and their
// thunks, and CallAddress over small hand-assembled guest functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "loader/emulated_process.h"
#include "pe_writer.h"
#include "test_images.h"

namespace pindrel {
namespace {

using Outcome = EmulatedProcess::CallOutcome;

class EmulatedProcessTest : public ::testing::Test {
 protected:
  std::unique_ptr<testing::TestProcess> testbed = testing::MakeTestProcess();
  EmulatedProcess& process = *testbed->process;

  // Places code in a fresh reservation and returns its address.
  uint32_t Place(const std::vector<uint8_t>& code) {
    const uint32_t at = process.AllocateImage(0, 0x1000);
    EXPECT_NE(at, 0u);
    EXPECT_TRUE(process.CopyToProcess(at, code));
    return at;
  }
};

TEST_F(EmulatedProcessTest, ReservationsPreferTheAskedAddressElseTheLowestFreeRange) {
  EXPECT_EQ(process.AllocateImage(0x10000000, 0x3000), 0x10000000u);
  EXPECT_TRUE(process.IsReserved(0x10002FFF));
  EXPECT_FALSE(process.IsReserved(0x10003000));
  EXPECT_EQ(process.AllocateImage(0x10000000, 0x1000), 0u);  // taken
  EXPECT_EQ(process.AllocateImage(0x1000F000, 0x2000), 0u);  // rounds down onto it
  // Rounded down to the 64 KiB granularity, covering the asked range.
  EXPECT_EQ(process.AllocateImage(0x10023456, 0x100), 0x10020000u);
  EXPECT_TRUE(process.IsReserved(0x10023555));
  // Anywhere: the lowest free, granularity-aligned range.
  const uint32_t a = process.AllocateImage(0, 0x1000);
  const uint32_t b = process.AllocateImage(0, 0x1000);
  EXPECT_EQ(a, EmulatedProcess::kLowestAddress);
  EXPECT_EQ(b, EmulatedProcess::kLowestAddress + EmulatedProcess::kAllocationGranularity);
  std::vector<uint8_t> zeros(0x1000, 0xFF);
  ASSERT_TRUE(process.CopyFromProcess(b, zeros));
  EXPECT_EQ(zeros, std::vector<uint8_t>(0x1000, 0));  // zero-filled
  process.FreeImage(a);
  EXPECT_FALSE(process.IsReserved(a));
  EXPECT_EQ(process.AllocateImage(0, 0x1000), a);  // reused
  // Not at the null page, the fixed regions, or past 4 GiB.
  EXPECT_EQ(process.AllocateImage(0x1000, 0x1000), 0u);
  EXPECT_EQ(process.AllocateImage(EmulatedProcess::kStackBase, 0x1000), 0u);
  EXPECT_EQ(process.AllocateImage(0xFFFF0000, 0x20000), 0u);
  EXPECT_EQ(process.AllocateImage(0x20000000, 0), 0u);
  process.SetReservationLimit(0x10000);
  EXPECT_EQ(process.AllocateImage(0x20000000, 0x10001), 0u);
  // FreeImage of an address that is not a reservation's start does nothing.
  process.FreeImage(0x10001000);
  EXPECT_TRUE(process.IsReserved(0x10001000));
}

TEST_F(EmulatedProcessTest, CopiesStayInMappedMemory) {
  const uint32_t at = process.AllocateImage(0, 0x1000);
  std::vector<uint8_t> four(4, 0x5A);
  EXPECT_TRUE(process.CopyToProcess(at + 0xFFC, four));
  EXPECT_FALSE(process.CopyToProcess(at + 0xFFD, four));  // one byte past
  EXPECT_FALSE(process.CopyFromProcess(at + 0xFFD, four));
  EXPECT_FALSE(process.CopyToProcess(0, four));
  // The thunks and the stop page cannot be overwritten from the host.
  EXPECT_FALSE(process.CopyToProcess(EmulatedProcess::kThunkBase, four));
  EXPECT_FALSE(process.CopyToProcess(EmulatedProcess::kStopAddress, four));
}

TEST_F(EmulatedProcessTest, HostModulesAreFoundWithoutLetterCaseAndLoadedOnDemand) {
  EXPECT_EQ(process.FindModule("pindrel_host.dll"), 0u);  // registered, not loaded
  EXPECT_EQ(process.LoadModule("nowhere.dll"), 0u);
  const uint32_t handle = process.LoadModule("PINDREL_HOST");  // ".DLL" implied
  ASSERT_NE(handle, 0u);
  for (const char* name : {"pindrel_host.dll", "Pindrel_Host.DLL", "PINDREL_HOST."})
    EXPECT_EQ(process.FindModule(name), name == std::string("PINDREL_HOST.") ? 0u : handle) << name;
  EXPECT_NE(process.FindProcedure(handle, "HostAdd"), 0u);
  EXPECT_EQ(process.FindProcedure(handle, "hostadd"), 0u);
  EXPECT_EQ(process.FindProcedure(handle, ""), 0u);
  EXPECT_EQ(process.FindProcedureByOrdinal(handle, 1), process.FindProcedure(handle, "HostAdd"));
  EXPECT_NE(process.FindProcedureByOrdinal(handle, 2), 0u);
  EXPECT_EQ(process.FindProcedureByOrdinal(handle, 0), 0u);
  EXPECT_EQ(process.FindProcedureByOrdinal(handle, 9), 0u);
  EXPECT_EQ(process.FindProcedure(handle + 4, "HostAdd"), 0u);  // not a handle

  std::vector<testing::EntryCall> log;
  EXPECT_EQ(process.RegisterHostModule(testing::TestHostModule(log)), 0u);  // name taken
  HostModule kernel{"KERNEL32.DLL", {}, true};
  const uint32_t k = process.RegisterHostModule(std::move(kernel));
  EXPECT_NE(k, 0u);
  EXPECT_EQ(process.FindModule("kernel32"), k);  // loaded from the start
}

TEST_F(EmulatedProcessTest, CallAddressPlacesTenArgumentsAndRestoresTheStack) {
  // Returns a1 - a10 with stdcall (ret 40), cdecl (ret) and a callee that
  // pops more than it was given (ret 64): the caller's stack is restored.
  //   mov eax, [esp+4]; sub eax, [esp+40]; ret N
  const std::vector<uint8_t> body = {0x8B, 0x44, 0x24, 0x04, 0x2B, 0x44, 0x24, 0x28};
  struct Row {
    const char* what;
    std::vector<uint8_t> ret;
  };
  const Row rows[] = {
      {"stdcall, ten arguments", {0xC2, 0x28, 0x00}},
      {"cdecl", {0xC3}},
      {"pops sixteen words", {0xC2, 0x40, 0x00}},
  };
  const uint32_t stack = process.StackPointer();
  for (const Row& r : rows) {
    std::vector<uint8_t> code = body;
    code.insert(code.end(), r.ret.begin(), r.ret.end());
    const uint32_t f = Place(code);
    EXPECT_EQ(CallAddress(process, f, 100, 0, 0, 0, 0, 0, 0, 0, 0, 58), 42u) << r.what;
    EXPECT_EQ(process.last_call_outcome(), Outcome::Returned) << r.what;
    EXPECT_EQ(process.StackPointer(), stack) << r.what;
    EXPECT_EQ(CallAddress(process, f, 5), 5u) << r.what;  // omitted arguments are 0
  }
}

TEST_F(EmulatedProcessTest, GuestCallsReachHostProceduresThroughThunks) {
  std::vector<uint32_t> seen;
  HostModule m;
  m.name = "thunks.dll";
  m.procedures.push_back({"Sub", 1, 2, CallingConvention::Stdcall,
                          [&](HostCall& c) { return c.argument(0) - c.argument(1); }});
  m.procedures.push_back({"Note", 2, 1, CallingConvention::Cdecl, [&](HostCall& c) {
                            seen.push_back(c.argument(0));
                            return 7u;
                          }});
  const uint32_t handle = process.RegisterHostModule(std::move(m));
  ASSERT_NE(handle, 0u);
  ASSERT_NE(process.LoadModule("thunks.dll"), 0u);
  const uint32_t sub = process.FindProcedure(handle, "Sub");
  const uint32_t note = process.FindProcedure(handle, "Note");
  ASSERT_NE(sub, 0u);
  ASSERT_NE(note, 0u);

  // push 3; push 10; mov eax, sub; call eax      (stdcall: the thunk pops)
  // push 55; mov ecx, note; call ecx; add esp, 4  (cdecl: we pop)
  // add eax, ebx... keep the Sub result: mov ebx, eax before the second call
  std::vector<uint8_t> code = {0x6A, 0x03, 0x6A, 0x0A, 0xB8, 0, 0, 0, 0, 0xFF, 0xD0,  //
                               0x89, 0xC3,                                           // mov ebx, eax
                               0x6A, 0x37, 0xB9, 0, 0, 0, 0, 0xFF, 0xD1, 0x83, 0xC4, 0x04,
                               0x01, 0xD8,                                           // add eax, ebx
                               0xC3};
  testing::Put32(code, 5, sub);
  testing::Put32(code, 16, note);
  code.resize(28);
  const uint32_t stack = process.StackPointer();
  EXPECT_EQ(CallAddress(process, Place(code)), 7u + 7u);
  EXPECT_EQ(seen, std::vector<uint32_t>{55});
  EXPECT_EQ(process.StackPointer(), stack);
  // A handle slot is no procedure: calling it faults.
  EXPECT_EQ(CallAddress(process, handle), 0u);
  EXPECT_EQ(process.last_call_outcome(), Outcome::Faulted);
}

TEST_F(EmulatedProcessTest, FaultsAndEndlessCodeEndTheCallWithZero) {
  process.SetCallTimeLimit(std::chrono::milliseconds(50));
  struct Row {
    const char* what;
    std::vector<uint8_t> code;
    Outcome outcome;
  };
  const std::vector<Row> rows = {
      {"read of unmapped memory", {0xA1, 0x00, 0x00, 0x00, 0x00, 0xC3}, Outcome::Faulted},  // mov eax, [0]
      {"write into a thunk page", {0xC7, 0x05, 0x00, 0x00, 0xFD, 0x7F, 1, 0, 0, 0, 0xC3}, Outcome::Faulted},
      {"ud2", {0x0F, 0x0B}, Outcome::Faulted},
      {"int3", {0xCC}, Outcome::Faulted},
      {"jump to 0", {0x31, 0xC0, 0xFF, 0xE0}, Outcome::Faulted},
      {"return into the stack", {0x54, 0xC3}, Outcome::Faulted},  // push esp; ret
      {"endless loop", {0xEB, 0xFE}, Outcome::TimedOut},
  };
  const uint32_t answer = Place({0xB8, 0x2A, 0, 0, 0, 0xC3});  // mov eax, 42; ret
  const uint32_t stack = process.StackPointer();
  for (const Row& r : rows) {
    EXPECT_EQ(CallAddress(process, Place(r.code)), 0u) << r.what;
    EXPECT_EQ(process.last_call_outcome(), r.outcome) << r.what;
    EXPECT_EQ(process.StackPointer(), stack) << r.what;
    EXPECT_EQ(CallAddress(process, answer), 42u) << "after " << r.what;
  }
  EXPECT_EQ(CallAddress(process, 0), 0u);
  EXPECT_EQ(process.last_call_outcome(), Outcome::Faulted);
}

TEST(EmulatedProcessStateTest, ACallLeavesTheProcessorAsItFoundIt) {
  // Guest calls that change processor state outside the registers a call
  // sets up; the next call must run as in a fresh process. Each row gets a
  // process of its own, so one row's damage cannot hide another's.
  // xor eax, eax; mov <segment>, ax; ret
  auto null_selector = [](uint8_t modrm) { return std::vector<uint8_t>{0x31, 0xC0, 0x8E, modrm, 0xC3}; };
  struct Row {
    const char* what;
    std::vector<uint8_t> code;
  };
  const std::vector<Row> rows = {
      {"null selector into DS", null_selector(0xD8)},
      {"null selector into ES", null_selector(0xC0)},
      {"null selector into FS", null_selector(0xE0)},
      {"null selector into GS", null_selector(0xE8)},
      // mov eax, cr0; or eax, 0x80000000; mov cr0, eax; ret
      {"paging on", {0x0F, 0x20, 0xC0, 0x0D, 0x00, 0x00, 0x00, 0x80, 0x0F, 0x22, 0xC0, 0xC3}},
      // mov eax, cr0; and al, 0xFE; mov cr0, eax; ret
      {"protected mode off", {0x0F, 0x20, 0xC0, 0x24, 0xFE, 0x0F, 0x22, 0xC0, 0xC3}},
  };
  for (const Row& r : rows) {
    auto testbed = testing::MakeTestProcess(false);
    EmulatedProcess& process = *testbed->process;
    process.SetCallTimeLimit(std::chrono::milliseconds(50));
    const uint32_t probe = testing::SegmentProbe::Place(process);
    const uint32_t bad = process.AllocateImage(0, EmulatedProcess::kPageSize);
    ASSERT_TRUE(probe != 0 && bad != 0 && process.CopyToProcess(bad, r.code)) << r.what;
    ASSERT_EQ(CallAddress(process, probe, 2), testing::SegmentProbe::Expected(2)) << r.what;
    const uint32_t stack = process.StackPointer();

    CallAddress(process, bad);
    EXPECT_EQ(CallAddress(process, probe, 2), testing::SegmentProbe::Expected(2)) << "after " << r.what;
    EXPECT_EQ(process.last_call_outcome(), Outcome::Returned) << "after " << r.what;
    EXPECT_EQ(process.StackPointer(), stack) << r.what;
  }
}

TEST_F(EmulatedProcessTest, AShorterLimitAfterALongerOneHolds) {
  // The watchdog sleeps until the deadline of the call it watched; a later
  // call with a shorter limit must not wait for that deadline. The long
  // limit is far beyond the bound checked below, the short one far within.
  // mov ecx, 0x1000000; loop $; mov eax, 42; ret: busy long enough for the
  // watchdog to settle on the long deadline before the call returns.
  const uint32_t busy = Place({0xB9, 0x00, 0x00, 0x00, 0x01, 0xE2, 0xFE, 0xB8, 0x2A, 0, 0, 0, 0xC3});
  const uint32_t spin = Place({0xEB, 0xFE});
  process.SetCallTimeLimit(std::chrono::seconds(20));
  ASSERT_EQ(CallAddress(process, busy), 42u);
  process.SetCallTimeLimit(std::chrono::milliseconds(50));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CallAddress(process, spin), 0u);
  EXPECT_EQ(process.last_call_outcome(), Outcome::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(EmulatedProcessTest, RewrittenCodeRunsAsRewritten) {
  // Code already translated must not run after the host rewrites it, in
  // place or through a new reservation at the same address.
  const uint32_t at = Place({0xB8, 0x01, 0, 0, 0, 0xC3});
  EXPECT_EQ(CallAddress(process, at), 1u);
  ASSERT_TRUE(process.CopyToProcess(at, std::vector<uint8_t>{0xB8, 0x02, 0, 0, 0, 0xC3}));
  EXPECT_EQ(CallAddress(process, at), 2u);
  process.FreeImage(at);
  ASSERT_EQ(process.AllocateImage(at, 0x1000), at);
  ASSERT_TRUE(process.CopyToProcess(at, std::vector<uint8_t>{0xB8, 0x03, 0, 0, 0, 0xC3}));
  EXPECT_EQ(CallAddress(process, at), 3u);
}

TEST_F(EmulatedProcessTest, HostProcedureThatThrowsFaultsTheCall) {
  HostModule m{"throws.dll", {{"Throw", 1, 0, CallingConvention::Stdcall,
                               [](HostCall&) -> uint32_t { throw std::runtime_error("host"); }}}, true};
  const uint32_t handle = process.RegisterHostModule(std::move(m));
  const uint32_t stack = process.StackPointer();
  EXPECT_EQ(CallAddress(process, process.FindProcedure(handle, "Throw")), 0u);
  EXPECT_EQ(process.last_call_outcome(), Outcome::Faulted);
  EXPECT_EQ(process.StackPointer(), stack);
  EXPECT_EQ(CallAddress(process, Place({0xB8, 0x2A, 0, 0, 0, 0xC3})), 42u);
}

TEST_F(EmulatedProcessTest, HostProcedureCannotStartANestedCall) {
  const uint32_t answer = Place({0xB8, 0x2A, 0, 0, 0, 0xC3});
  Outcome inner = Outcome::Returned;
  HostModule m{"nest.dll", {{"Nest", 1, 0, CallingConvention::Stdcall, [&](HostCall& c) {
                               const uint32_t r = CallAddress(c.process(), answer);
                               inner = c.process().last_call_outcome();
                               return r + 1;
                             }}}, true};
  const uint32_t handle = process.RegisterHostModule(std::move(m));
  const uint32_t nest = process.FindProcedure(handle, "Nest");
  ASSERT_NE(nest, 0u);
  EXPECT_EQ(CallAddress(process, nest), 1u);  // the outer call completes
  EXPECT_EQ(inner, Outcome::Refused);
  EXPECT_EQ(CallAddress(process, answer), 42u);
}

TEST_F(EmulatedProcessTest, ReadStringStopsAtTheZeroByteOrTheLimit) {
  const uint32_t at = process.AllocateImage(0, 0x1000);
  const std::string text = "SkinH_AttachRes";
  std::vector<uint8_t> bytes(text.size() + 1, 0);  // with its zero byte
  std::copy(text.begin(), text.end(), bytes.begin());
  ASSERT_TRUE(process.CopyToProcess(at + 0x10, bytes));
  EXPECT_EQ(process.ReadString(at + 0x10, 64), text);
  EXPECT_EQ(process.ReadString(at + 0x10, text.size()), text);
  EXPECT_EQ(process.ReadString(at + 0x10, text.size() - 1), std::nullopt);
  std::vector<uint8_t> tail(4, 'x');
  ASSERT_TRUE(process.CopyToProcess(at + 0xFFC, tail));  // runs into unmapped memory
  EXPECT_EQ(process.ReadString(at + 0xFFC, 64), std::nullopt);
}

}  // namespace
}  // namespace pindrel
