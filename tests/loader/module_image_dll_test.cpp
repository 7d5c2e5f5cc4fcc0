// ModuleImage over real PE32 images built from tests/loader/dlls with the
// mingw-w64 cross compiler, loaded into and run on the emulated process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/module_image.h"
#include "test_images.h"

namespace pindrel {
namespace {

using testing::EntryCall;
using testing::ReadTestImage;

Text Name(const char* s) { return Text::from_bytes(s); }

class DllTest : public ::testing::Test {
 protected:
  std::unique_ptr<testing::TestProcess> testbed = testing::MakeTestProcess();
  EmulatedProcess& process = *testbed->process;

  uint32_t Call(const ModuleImage& image, const char* name, uint32_t a1 = 0, uint32_t a2 = 0) {
    const uint32_t f = image.FindExport(Name(name));
    EXPECT_NE(f, 0u) << name;
    if (f == 0) return 0;
    return CallAddress(process, f, a1, a2);
  }
  void ExpectUnloaded(const ModuleImage& image, const char* what) {
    EXPECT_EQ(image.GetImageBase(), 0u) << what;
    EXPECT_EQ(image.EntryPointAddress(), 0u) << what;
    for (const char* name : {"Combine", "UseHostAdd", "Unreachable", "Alpha", ""})
      EXPECT_EQ(image.FindExport(Name(name)), 0u) << what << ": " << name;
  }
};

TEST_F(DllTest, LoadsAtThePreferredBaseAndCallsBothConventions) {
  ModuleImage image(process);
  ExpectUnloaded(image, "before Load");
  ASSERT_EQ(image.Load(ReadTestImage("calls.dll")), 1);
  EXPECT_EQ(image.GetImageBase(), 0x10000000u);
  EXPECT_EQ(image.EntryPointAddress(),
            0x10000000u + image.nt_headers().OptionalHeader.AddressOfEntryPoint);

  const uint32_t stack = process.StackPointer();
  EXPECT_EQ(Call(image, "Combine", 7, 3), 7003u);  // stdcall: pops 8 bytes
  EXPECT_EQ(process.StackPointer(), stack);
  EXPECT_EQ(static_cast<int32_t>(Call(image, "Subtract", 10, 4)), 6);  // cdecl: pops nothing
  EXPECT_EQ(process.StackPointer(), stack);
  EXPECT_EQ(static_cast<int32_t>(Call(image, "Subtract", 4, 10)), -6);
  EXPECT_EQ(Call(image, "Answer"), 42u);  // declares none of the ten
  EXPECT_EQ(process.StackPointer(), stack);

  const uint32_t weigh = image.FindExport(Name("Weigh10"));
  ASSERT_NE(weigh, 0u);
  EXPECT_EQ(CallAddress(process, weigh, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10), 385u);
  EXPECT_EQ(CallAddress(process, weigh, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), 10u);  // a10 farthest
  EXPECT_EQ(process.StackPointer(), stack);

  // State kept across calls: a data section written by the guest.
  EXPECT_EQ(Call(image, "SquareOf", 12), 144u);
  EXPECT_EQ(Call(image, "SquareOf", 12), 144u);

  image.Unload();
  ExpectUnloaded(image, "after Unload");
}

TEST_F(DllTest, RelocatesWhenThePreferredBaseIsTaken) {
  // A zero-filled reservation at the preferred base: unrelocated addresses
  // would read zeros from it.
  ASSERT_EQ(process.AllocateImage(0x10000000, 0x10000), 0x10000000u);
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("reloc.dll")), 1);
  const uint32_t base = image.GetImageBase();
  ASSERT_NE(base, 0x10000000u);
  EXPECT_EQ(base % EmulatedProcess::kAllocationGranularity, 0u);

  const uint32_t second = Call(image, "AddressOfSecond");  // from code
  EXPECT_GE(second, base);
  EXPECT_LT(second, base + 0x10000);
  EXPECT_EQ(Call(image, "StoredPointer"), second);         // from data
  EXPECT_EQ(Call(image, "ReadThroughPointer"), 22u);
  EXPECT_EQ(Call(image, "SumThroughTable"), 66u);
}

TEST_F(DllTest, BindsImportsByNameAndOrdinalAndCallsTheEntryRoutine) {
  ModuleImage image(process);
  EXPECT_EQ(process.FindModule("pindrel_host.dll"), 0u);
  ASSERT_EQ(image.Load(ReadTestImage("imports.dll")), 1);
  EXPECT_NE(process.FindModule("PINDREL_HOST.DLL"), 0u);  // loaded by binding
  EXPECT_EQ(Call(image, "UseHostAdd", 2, 3), 5u);
  EXPECT_EQ(Call(image, "UseHostMul", 4, 5), 20u);
  // Attach with 0, 1, 0: the first argument is 0, not the image base.
  EXPECT_EQ(testbed->entry_log, (std::vector<EntryCall>{{0, 1, 0}}));
  image.Unload();
  EXPECT_EQ(testbed->entry_log, (std::vector<EntryCall>{{0, 1, 0}, {0, 0, 0}}));
  ExpectUnloaded(image, "after Unload");
  image.Unload();  // nothing loaded: no second detach
  EXPECT_EQ(testbed->entry_log.size(), 2u);
}

TEST_F(DllTest, MissingHostModuleOrProcedureFailsTheLoad) {
  // Without the host module, and with a host module that lacks ordinal 2.
  auto bare = testing::MakeTestProcess(false);
  std::vector<EntryCall> log;
  auto partial = testing::MakeTestProcess(false);
  HostModule lacking = testing::TestHostModule(log);
  lacking.procedures.erase(lacking.procedures.begin() + 1);
  ASSERT_NE(partial->process->RegisterHostModule(std::move(lacking)), 0u);

  for (auto* p : {bare.get(), partial.get()}) {
    ModuleImage image(*p->process);
    EXPECT_EQ(image.Load(ReadTestImage("imports.dll")), 0);
    ExpectUnloaded(image, "failed Load");
    // The image memory is released: the preferred base is free again.
    const uint32_t again = p->process->AllocateImage(0x10100000, 0x1000);
    EXPECT_EQ(again, 0x10100000u);
  }
  EXPECT_TRUE(log.empty());  // the entry routine never ran
  // The module brought in before the missing procedure stays loaded.
  EXPECT_NE(partial->process->FindModule("pindrel_host.dll"), 0u);
}

TEST_F(DllTest, RefusedAttachIsFollowedByDetachAndFailsTheLoad) {
  ModuleImage image(process);
  EXPECT_EQ(image.Load(ReadTestImage("refuse.dll")), 0);
  EXPECT_EQ(testbed->entry_log, (std::vector<EntryCall>{{0, 1, 0}, {0, 0, 0}}));
  ExpectUnloaded(image, "refused attach");
  EXPECT_EQ(process.AllocateImage(0x10200000, 0x1000), 0x10200000u);
  image.Unload();
  EXPECT_EQ(testbed->entry_log.size(), 2u);
}

TEST_F(DllTest, EntryRoutineThatNeverReturnsIsNotCalledAgain) {
  // A detach call would run the same broken code once more (a looping entry
  // routine would cost the time limit twice); the load just fails.
  process.SetCallTimeLimit(std::chrono::milliseconds(100));
  struct Row {
    const char* image;
    uint32_t base;
    EmulatedProcess::CallOutcome outcome;
  };
  const Row rows[] = {
      {"entry_spins.dll", 0x10400000, EmulatedProcess::CallOutcome::TimedOut},
      {"entry_faults.dll", 0x10500000, EmulatedProcess::CallOutcome::Faulted},
  };
  for (const Row& r : rows) {
    testbed->entry_log.clear();
    ModuleImage image(process);
    EXPECT_EQ(image.Load(ReadTestImage(r.image)), 0) << r.image;
    EXPECT_EQ(process.last_call_outcome(), r.outcome) << r.image;
    EXPECT_EQ(testbed->entry_log, (std::vector<EntryCall>{{0, 1, 0}})) << r.image;
    ExpectUnloaded(image, r.image);
    EXPECT_EQ(process.AllocateImage(r.base, 0x1000), r.base) << r.image << ": image released";
  }
}

TEST_F(DllTest, ExportsRunAfterACallThatNulledTheSegmentRegisters) {
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("null_segments.dll")), 1);
  ASSERT_EQ(Call(image, "ReadStored"), 1234u);
  // unicorn faults this call itself at its return; what matters is the next.
  Call(image, "NullSegments");
  EXPECT_EQ(Call(image, "ReadStored"), 1234u);
  EXPECT_EQ(process.last_call_outcome(), EmulatedProcess::CallOutcome::Returned);
}

TEST_F(DllTest, ExecutableLoadsWithoutEntryCalls) {
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("program.exe")), 1);
  EXPECT_EQ(image.nt_headers().FileHeader.Characteristics & 0x2000, 0);
  EXPECT_EQ(image.GetImageBase(), 0x00400000u);
  image.Unload();
  EXPECT_TRUE(testbed->entry_log.empty());
}

TEST_F(DllTest, NameOrdinalTableMapsNamesToOtherIndexes) {
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("ordinals.dll")), 1);
  EXPECT_EQ(Call(image, "Alpha"), 1u);
  EXPECT_EQ(Call(image, "Mid"), 13u);
  EXPECT_EQ(Call(image, "Zeta"), 26u);
  EXPECT_NE(image.FindExport(Name("Alpha")), image.FindExport(Name("Zeta")));
  EXPECT_EQ(image.FindExport(Name("ALPHA")), 0u);
  EXPECT_EQ(image.FindExport(Name("")), 0u);
}

TEST_F(DllTest, SecondLoadOnALoadedObjectChangesNothing) {
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("calls.dll")), 1);
  const uint32_t base = image.GetImageBase();
  EXPECT_EQ(image.Load(ReadTestImage("ordinals.dll")), 0);
  EXPECT_EQ(image.GetImageBase(), base);
  EXPECT_EQ(Call(image, "Answer"), 42u);
  EXPECT_EQ(image.FindExport(Name("Alpha")), 0u);
}

TEST_F(DllTest, ReloadAtTheSameAddressRunsTheNewCode) {
  // calls.dll and reloc.dll share their preferred base; code translated for
  // the first must not run for the second.
  ModuleImage first(process);
  ASSERT_EQ(first.Load(ReadTestImage("calls.dll")), 1);
  EXPECT_EQ(Call(first, "Combine", 1, 2), 1002u);
  EXPECT_EQ(Call(first, "Answer"), 42u);
  first.Unload();
  ModuleImage second(process);
  ASSERT_EQ(second.Load(ReadTestImage("reloc.dll")), 1);
  ASSERT_EQ(second.GetImageBase(), 0x10000000u);
  EXPECT_EQ(Call(second, "SumThroughTable"), 66u);
  EXPECT_EQ(Call(second, "ReadThroughPointer"), 22u);
}

TEST_F(DllTest, CloneSharesTheImageAndReleaseDropsOnlyTheCopies) {
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("calls.dll")), 1);
  auto clone = image.Clone();
  EXPECT_EQ(clone->GetImageBase(), image.GetImageBase());
  EXPECT_EQ(clone->nt_headers(), image.nt_headers());
  EXPECT_EQ(clone->section_table(), image.section_table());
  EXPECT_EQ(clone->FindExport(Name("Combine")), image.FindExport(Name("Combine")));

  image.Release();
  EXPECT_TRUE(image.section_table().empty());
  EXPECT_EQ(image.nt_headers(), pe::IMAGE_NT_HEADERS32{});
  // The image stays mapped: the clone still reaches it.
  EXPECT_EQ(CallAddress(process, clone->FindExport(Name("Combine")), 4, 5), 4005u);
  EXPECT_EQ(image.FindExport(Name("Combine")), 0u);  // no export directory left
}

TEST_F(DllTest, FaultingAndEndlessExportsLeaveTheProcessUsable) {
  process.SetCallTimeLimit(std::chrono::milliseconds(100));
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ReadTestImage("calls.dll")), 1);
  const uint32_t stack = process.StackPointer();
  struct Row {
    const char* name;
    EmulatedProcess::CallOutcome outcome;
  };
  const Row rows[] = {
      {"ReadLowMemory", EmulatedProcess::CallOutcome::Faulted},
      {"RunInvalid", EmulatedProcess::CallOutcome::Faulted},
      {"Spin", EmulatedProcess::CallOutcome::TimedOut},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Call(image, r.name), 0u) << r.name;
    EXPECT_EQ(process.last_call_outcome(), r.outcome) << r.name;
    EXPECT_EQ(process.StackPointer(), stack) << r.name;
    EXPECT_EQ(Call(image, "Combine", 9, 9), 9009u) << "after " << r.name;
    EXPECT_EQ(process.last_call_outcome(), EmulatedProcess::CallOutcome::Returned);
  }
}

}  // namespace
}  // namespace pindrel
