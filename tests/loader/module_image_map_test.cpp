// Load over images from the PE writer, against the emulated process: the
// header and section copies, base relocations, import binding and the entry
// rules at their edges.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "loader/module_image.h"
#include "pe_writer.h"
#include "test_images.h"

namespace pindrel {
namespace {

using testing::Get32;
using testing::PeSection;
using testing::PeWriter;
using testing::Put16;
using testing::Put32;
using testing::ToByteArray;

constexpr uint32_t kBase = 0x20000000;

class MapTest : public ::testing::Test {
 protected:
  std::unique_ptr<testing::TestProcess> testbed = testing::MakeTestProcess();
  EmulatedProcess& process = *testbed->process;

  std::vector<uint8_t> Guest(uint32_t address, std::size_t n) {
    std::vector<uint8_t> out(n);
    EXPECT_TRUE(process.CopyFromProcess(address, out));
    return out;
  }
  uint32_t Guest32(uint32_t address) { return Get32(Guest(address, 4), 0); }
  // Whether the preferred base can be reserved again, i.e. a failed load
  // released its memory.
  bool BaseIsFree(uint32_t base = kBase) {
    const uint32_t got = process.AllocateImage(base, 0x1000);
    if (got != 0) process.FreeImage(got);
    return got == base;
  }
};

// A non-DLL image (no entry call) with a second section, for copy tests.
PeWriter TwoSections() {
  PeWriter w;
  w.characteristics = 0x0102;
  w.sections[0].raw.assign(0x200, 0x11);
  w.sections.push_back(PeSection{".data", 0x1000, 0x2000, 0x400, std::vector<uint8_t>(0x200, 0x22), -1});
  return w;
}

TEST_F(MapTest, CopiesHeadersPlusOneSectionTableAndTheSections) {
  PeWriter w = TwoSections();
  w.sections[0].pointer_to_raw_data = 0x400;
  w.sections[1].pointer_to_raw_data = 0x600;
  auto bytes = w.Build();
  // Header block is 0x200 bytes; 2 records' worth more are copied with it.
  bytes[0x200 + 2 * 40 - 1] = 0xA5;  // last byte of the extra copy
  bytes[0x200 + 2 * 40] = 0x5A;      // first byte past it
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ToByteArray(bytes)), 1);
  ASSERT_EQ(image.GetImageBase(), kBase);
  const auto headers = Guest(kBase, 0x300);
  EXPECT_EQ(std::vector<uint8_t>(headers.begin(), headers.begin() + 0x200),
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + 0x200));
  EXPECT_EQ(headers[0x200 + 2 * 40 - 1], 0xA5);
  EXPECT_EQ(headers[0x200 + 2 * 40], 0x00);
  EXPECT_EQ(Guest(kBase + 0x1000, 0x200), std::vector<uint8_t>(0x200, 0x11));
  EXPECT_EQ(Guest(kBase + 0x2000, 0x200), std::vector<uint8_t>(0x200, 0x22));
  // Beyond SizeOfRawData the section keeps the reservation's zeros.
  EXPECT_EQ(Guest(kBase + 0x2200, 0x10), std::vector<uint8_t>(0x10, 0));
}

TEST_F(MapTest, SectionWithVirtualAddressZeroStopsTheCopy) {
  struct Row {
    const char* what;
    std::size_t zero_at;          // the section whose VirtualAddress becomes 0
    std::array<bool, 3> copied;   // per section, those not at 0
  };
  const Row rows[] = {
      {"first section at 0: nothing copied", 0, {false, false, false}},
      {"second section at 0: only the first is copied", 1, {true, false, false}},
      {"no section at 0: all copied", 3, {true, true, true}},
  };
  for (const Row& r : rows) {
    PeWriter w = TwoSections();
    w.sections.push_back(PeSection{".c", 0x1000, 0x3000, 0x600, std::vector<uint8_t>(0x200, 0x33), -1});
    if (r.zero_at < 3) w.sections[r.zero_at].virtual_address = 0;
    ModuleImage image(process);
    ASSERT_EQ(image.Load(ToByteArray(w.Build())), 1) << r.what;
    for (std::size_t i = 0; i < 3; ++i) {
      if (i == r.zero_at) continue;
      const auto fill = static_cast<uint8_t>(0x11 * (i + 1));
      const uint32_t at = kBase + 0x1000 * static_cast<uint32_t>(i + 1);
      EXPECT_EQ(Guest(at, 4) == std::vector<uint8_t>(4, fill), r.copied[i]) << r.what << " " << i;
    }
    image.Unload();
  }
}

TEST_F(MapTest, TinyImagesLoad) {
  // Header-only DLL without entry routine; and a file whose last section is
  // shorter than the extra section table's worth the header copy takes.
  PeWriter headers_only;
  headers_only.sections.clear();
  headers_only.entry_point = 0;
  headers_only.size_of_headers = 0x40 + 248;
  PeWriter short_tail;  // 8 code bytes at 0x200: the file ends at 0x208
  for (const PeWriter* w : {&headers_only, &short_tail}) {
    ModuleImage image(process);
    ASSERT_EQ(image.Load(ToByteArray(w->Build())), 1);
    EXPECT_EQ(Guest(image.GetImageBase(), 2), (std::vector<uint8_t>{'M', 'Z'}));
    image.Unload();
  }
}

// A relocation table at RVA 0x3000 (its own section) over a data section at
// 0x1000; blocks are written by the caller.
PeWriter WithRelocations(const std::vector<uint8_t>& table) {
  PeWriter w;
  w.characteristics = 0x0102;
  w.sections[0].raw.assign(0x200, 0);
  w.sections.push_back(PeSection{".reloc", 0x1000, 0x3000, 0x400, table, -1});
  w.directories[5] = {0x3000, static_cast<uint32_t>(table.size())};
  return w;
}

std::vector<uint8_t> Block(uint32_t rva, const std::vector<uint16_t>& entries) {
  std::vector<uint8_t> b;
  Put32(b, 0, rva);
  Put32(b, 4, static_cast<uint32_t>(8 + 2 * entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) Put16(b, 8 + 2 * i, entries[i]);
  return b;
}

std::vector<uint8_t> Concat(std::vector<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(MapTest, RelocationAppliesOnlyHighLowByTheDifference) {
  const auto table = Concat({Block(0x1000, {0x3010, 0x0000, 0x1020, 0xA030, 0x3040}),
                             std::vector<uint8_t>(8, 0)});
  PeWriter w = WithRelocations(table);
  auto bytes = w.Build();
  Put32(bytes, 0x200 + 0x10, kBase + 0x1234);  // HIGHLOW
  Put32(bytes, 0x200 + 0x20, 0x11111111);      // HIGH: skipped
  Put32(bytes, 0x200 + 0x30, 0x22222222);      // DIR64: skipped
  Put32(bytes, 0x200 + 0x40, 0xFFFFFFF0);      // HIGHLOW: wraps modulo 2^32
  Put32(bytes, 0x200 + 0x00, 0x33333333);      // the filler entry's offset: untouched

  // Occupy the preferred base so the image lands elsewhere.
  ASSERT_EQ(process.AllocateImage(kBase, 0x1000), kBase);
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ToByteArray(bytes)), 1);
  const uint32_t base = image.GetImageBase();
  ASSERT_NE(base, kBase);
  const uint32_t delta = base - kBase;
  EXPECT_EQ(Guest32(base + 0x1010), kBase + 0x1234 + delta);
  EXPECT_EQ(Guest32(base + 0x1020), 0x11111111u);
  EXPECT_EQ(Guest32(base + 0x1030), 0x22222222u);
  EXPECT_EQ(Guest32(base + 0x1040), 0xFFFFFFF0u + delta);
  EXPECT_EQ(Guest32(base + 0x1000), 0x33333333u);
}

TEST_F(MapTest, RelocationIntoMemoryNoSectionFilledIsWritten) {
  // The target lies in the zero-filled page 0x2000 of a section whose raw
  // data fills only its first page: 0 grows by the difference there too.
  const auto table = Concat({Block(0x2000, {0x3010, 0x3FFC}), std::vector<uint8_t>(8, 0)});
  PeWriter w = WithRelocations(table);
  w.sections[0].virtual_size = 0x2000;
  ASSERT_EQ(process.AllocateImage(kBase, 0x1000), kBase);
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ToByteArray(w.Build())), 1);
  const uint32_t base = image.GetImageBase();
  ASSERT_NE(base, kBase);
  EXPECT_EQ(Guest32(base + 0x2010), base - kBase);
  EXPECT_EQ(Guest32(base + 0x2FFC), base - kBase);  // the page's last word
  EXPECT_EQ(Guest32(base + 0x2014), 0u);
}

TEST_F(MapTest, RelocationTablesThatChangeNothing) {
  struct Row {
    const char* what;
    std::vector<uint8_t> table;
    uint32_t directory_size;
  };
  const auto live = Block(0x1000, {0x3010});
  const std::vector<Row> rows = {
      {"first block has VirtualAddress 0", Concat({std::vector<uint8_t>(8, 0), live}), 16},
      {"directory Size 0: not applied though placed elsewhere",
       Concat({live, std::vector<uint8_t>(8, 0)}), 0},
      {"directory Size negative as a signed value: not applied",
       Concat({live, std::vector<uint8_t>(8, 0)}), 0x80000010u},
  };
  for (const Row& r : rows) {
    PeWriter w = WithRelocations(r.table);
    w.directories[5][1] = r.directory_size;
    auto bytes = w.Build();
    Put32(bytes, 0x200 + 0x10, 0x12345678);
    auto other = testing::MakeTestProcess();
    ASSERT_EQ(other->process->AllocateImage(kBase, 0x1000), kBase);
    ModuleImage image(*other->process);
    ASSERT_EQ(image.Load(ToByteArray(bytes)), 1) << r.what;
    ASSERT_NE(image.GetImageBase(), kBase) << r.what;
    std::vector<uint8_t> word(4);
    ASSERT_TRUE(other->process->CopyFromProcess(image.GetImageBase() + 0x1010, word));
    EXPECT_EQ(Get32(word, 0), 0x12345678u) << r.what;
  }
}

TEST_F(MapTest, MalformedRelocationsFailTheLoad) {
  struct Row {
    const char* what;
    std::vector<uint8_t> table;
    int expected;
  };
  std::vector<uint8_t> small_block = Block(0x1000, {});
  Put32(small_block, 4, 6);  // SizeOfBlock below 8
  std::vector<uint8_t> long_block = Block(0x1000, {0x3010});
  Put32(long_block, 4, 0x2000);  // reaches past the image's end
  const std::vector<Row> rows = {
      {"target ends exactly at the image's end",
       Concat({Block(0x3000, {0x3FFC}), std::vector<uint8_t>(8, 0)}), 1},
      {"target one byte past the image's end",
       Concat({Block(0x3000, {0x3FFD}), std::vector<uint8_t>(8, 0)}), 0},
      {"SizeOfBlock below 8", Concat({small_block, std::vector<uint8_t>(8, 0)}), 0},
      {"block past the image's end", long_block, 0},
      {"no terminating block: the walk leaves the image",
       Concat({Block(0x1000, {0x3010}), std::vector<uint8_t>(0x1000 - 10, 0x41)}), 0},
  };
  for (const Row& r : rows) {
    auto bytes = WithRelocations(r.table).Build();
    ModuleImage image(process);
    EXPECT_EQ(image.Load(ToByteArray(bytes)), r.expected) << r.what;
    if (r.expected == 0) {
      EXPECT_EQ(image.GetImageBase(), 0u) << r.what;
      EXPECT_TRUE(BaseIsFree()) << r.what;
    }
    image.Unload();
  }
}

// An import table at RVA 0x1000: one descriptor for module, thunks and
// names as given, then a zero descriptor.
struct ImportShape {
  std::string module = "PINDREL_HOST.DLL";
  std::vector<uint32_t> thunks;             // values; 0 ends them
  std::vector<std::string> names;           // IMAGE_IMPORT_BY_NAME at 0x1200 + 0x20 * i
};

std::vector<uint8_t> ImportImage(const ImportShape& s, uint32_t* first_thunk_rva) {
  PeWriter w;
  w.characteristics = 0x0102;
  std::vector<uint8_t> data(0x400, 0);
  Put32(data, 12, 0x1100);  // Name
  Put32(data, 16, 0x1180);  // FirstThunk; the next descriptor stays zero
  std::copy(s.module.begin(), s.module.end(), data.begin() + 0x100);
  for (std::size_t i = 0; i < s.thunks.size(); ++i) Put32(data, 0x180 + 4 * i, s.thunks[i]);
  for (std::size_t i = 0; i < s.names.size(); ++i)
    std::copy(s.names[i].begin(), s.names[i].end(), data.begin() + 0x200 + 0x20 * static_cast<long>(i) + 2);
  w.sections[0].raw = data;
  w.directories[1] = {0x1000, 40};
  *first_thunk_rva = 0x1180;
  return w.Build();
}

TEST_F(MapTest, ImportsResolveByNameAndByTheLow16BitsOfAnOrdinal) {
  uint32_t thunk_rva = 0;
  ImportShape s;
  s.thunks = {0x1200, 0x80FF0002u, 0x1220, 0};  // HostAdd, ordinal 2 with bits 16-30 set, RecordEntry
  s.names = {"HostAdd", "RecordEntry"};
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ToByteArray(ImportImage(s, &thunk_rva))), 1);
  const uint32_t module = process.FindModule("pindrel_host.dll");
  ASSERT_NE(module, 0u);
  const uint32_t base = image.GetImageBase();
  EXPECT_EQ(Guest32(base + thunk_rva), process.FindProcedure(module, "HostAdd"));
  EXPECT_EQ(Guest32(base + thunk_rva + 4), process.FindProcedureByOrdinal(module, 2));
  EXPECT_EQ(Guest32(base + thunk_rva + 8), process.FindProcedure(module, "RecordEntry"));
  EXPECT_EQ(Guest32(base + thunk_rva + 12), 0u);
}

TEST_F(MapTest, UnresolvableImportsFailTheLoadAndReleaseTheImage) {
  struct Row {
    const char* what;
    ImportShape shape;
  };
  ImportShape unknown_module;
  unknown_module.module = "NOWHERE.DLL";
  unknown_module.thunks = {0x1200, 0};
  unknown_module.names = {"HostAdd"};
  ImportShape unknown_name;
  unknown_name.thunks = {0x1200, 0};
  unknown_name.names = {"HostSubtract"};
  ImportShape unknown_ordinal;
  unknown_ordinal.thunks = {0x80000009u, 0};
  ImportShape name_outside;
  name_outside.thunks = {0x00FFFFF0u, 0};
  ImportShape case_differs;  // procedure names are exact
  case_differs.thunks = {0x1200, 0};
  case_differs.names = {"hostadd"};
  const std::vector<Row> rows = {{"unknown module", unknown_module},
                                 {"unknown procedure name", unknown_name},
                                 {"unknown ordinal", unknown_ordinal},
                                 {"name outside the image", name_outside},
                                 {"name differs in letter case", case_differs}};
  for (const Row& r : rows) {
    uint32_t thunk_rva = 0;
    ModuleImage image(process);
    EXPECT_EQ(image.Load(ToByteArray(ImportImage(r.shape, &thunk_rva))), 0) << r.what;
    EXPECT_EQ(image.GetImageBase(), 0u) << r.what;
    EXPECT_EQ(image.FindExport(Text::from_bytes("HostAdd")), 0u) << r.what;
    EXPECT_TRUE(BaseIsFree()) << r.what;
  }
}

TEST_F(MapTest, ModuleNameMatchesWithoutLetterCase) {
  uint32_t thunk_rva = 0;
  ImportShape s;
  s.module = "Pindrel_Host.dll";
  s.thunks = {0x1200, 0};
  s.names = {"HostAdd"};
  ModuleImage image(process);
  EXPECT_EQ(image.Load(ToByteArray(ImportImage(s, &thunk_rva))), 1);
}

TEST_F(MapTest, ImportWalkEndsOnFirstThunkZeroNotOnName) {
  // The second descriptor has a Name but FirstThunk 0: the walk ends there,
  // so its unknown module is never looked up.
  PeWriter w;
  w.characteristics = 0x0102;
  std::vector<uint8_t> data(0x400, 0);
  Put32(data, 12, 0x1100);
  Put32(data, 16, 0x1180);
  Put32(data, 20 + 12, 0x1140);  // Name of "NOWHERE.DLL", FirstThunk 0
  const std::string known = "pindrel_host.dll";
  const std::string unknown = "NOWHERE.DLL";
  std::copy(known.begin(), known.end(), data.begin() + 0x100);
  std::copy(unknown.begin(), unknown.end(), data.begin() + 0x140);
  Put32(data, 0x180, 0x80000001u);
  w.sections[0].raw = data;
  w.directories[1] = {0x1000, 60};
  ModuleImage image(process);
  EXPECT_EQ(image.Load(ToByteArray(w.Build())), 1);
}

TEST_F(MapTest, EntryRules) {
  struct Row {
    const char* what;
    uint16_t characteristics;
    uint32_t entry;
    int expected;
  };
  // The code section holds "mov eax, 1; ret 12" at 0x1000.
  const Row rows[] = {
      {"DLL entry agrees", 0x2102, 0x1000, 1},
      {"DLL without entry routine (entry 0)", 0x2102, 0, 1},
      {"DLL entry outside the image", 0x2102, 0x5000, 0},
      {"DLL entry into zero bytes that fault", 0x2102, 0x1800, 0},
      {"executable: entry never called", 0x0102, 0x1800, 1},
  };
  for (const Row& r : rows) {
    PeWriter w;
    w.characteristics = r.characteristics;
    w.entry_point = r.entry;
    ModuleImage image(process);
    EXPECT_EQ(image.Load(ToByteArray(w.Build())), r.expected) << r.what;
    if (r.expected == 0) {
      EXPECT_TRUE(BaseIsFree()) << r.what;
    }
    image.Unload();
  }
}

TEST_F(MapTest, ReservationFailureLeavesHeaderCopies) {
  process.SetReservationLimit(0x1000);
  PeWriter w;  // needs 0x2000 bytes
  ModuleImage image(process);
  EXPECT_EQ(image.Load(ToByteArray(w.Build())), 0);
  EXPECT_EQ(image.GetImageBase(), 0u);
  EXPECT_EQ(image.nt_headers().OptionalHeader.ImageBase, kBase);
  EXPECT_EQ(image.section_table().size(), 1u);
}

TEST_F(MapTest, SectionAlignmentZeroFailsTheLoad) {
  PeWriter w;
  w.section_alignment = 0;
  ModuleImage image(process);
  EXPECT_EQ(image.Load(ToByteArray(w.Build())), 0);
  EXPECT_TRUE(BaseIsFree());
}

TEST_F(MapTest, HeadersAreReReadFromTheMappedImage) {
  // A section mapped at RVA 0x40 lies over the NT headers and gives them a
  // new AddressOfEntryPoint; the header copies are re-read after the section
  // copy, so they show the new value.
  PeWriter w;
  w.characteristics = 0x0102;
  w.size_of_headers = 0x200;
  w.section_alignment = 0x10;
  std::vector<uint8_t> patch(0x100, 0);
  auto bytes = w.Build();
  // The section's bytes are the file's headers from 0x40 with a new entry.
  std::copy(bytes.begin() + 0x40, bytes.begin() + 0x140, patch.begin());
  Put32(patch, 24 + 16, 0x1234);  // AddressOfEntryPoint in the copy
  w.sections[0] = PeSection{".hdr", 0x100, 0x40, 0x400, patch, -1};
  bytes = w.Build();
  ModuleImage image(process);
  ASSERT_EQ(image.Load(ToByteArray(bytes)), 1);
  EXPECT_EQ(image.nt_headers().OptionalHeader.AddressOfEntryPoint, 0x1234u);
  EXPECT_EQ(image.EntryPointAddress(), image.GetImageBase() + 0x1234);
}

}  // namespace
}  // namespace pindrel
