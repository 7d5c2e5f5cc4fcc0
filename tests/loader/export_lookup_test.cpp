// FindExport over export tables from the PE writer: the sequential name walk,
// the name-ordinal mapping and every table that points where it must not.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "loader/module_image.h"
#include "pe_writer.h"
#include "test_images.h"

namespace pindrel {
namespace {

using testing::PeWriter;
using testing::Put16;
using testing::Put32;
using testing::ToByteArray;

constexpr uint32_t kDirectory = 0x1000;
constexpr uint32_t kFunctions = 0x1040;
constexpr uint32_t kNamePointers = 0x1080;
constexpr uint32_t kOrdinals = 0x10C0;
constexpr uint32_t kNames = 0x1100;

// An export table in the first section (RVA 0x1000, raw at file 0x200):
// the given names, laid out one after another from kNames, each mapped to
// ordinals[i]; the address table holds 0x1800 + 0x10 * i.
struct ExportTable {
  std::vector<std::string> names;
  std::vector<uint16_t> ordinals;
  uint32_t functions = 0;
  std::function<void(std::vector<uint8_t>&)> tweak;  // on the section bytes, offsets from RVA 0x1000
  uint32_t directory_size = 0x28;
};

std::vector<uint8_t> Build(const ExportTable& table) {
  std::vector<uint8_t> s(0x1000, 0);
  const uint32_t at = kDirectory - 0x1000;
  Put32(s, at + 20, table.functions);
  Put32(s, at + 24, static_cast<uint32_t>(table.names.size()));
  Put32(s, at + 28, kFunctions);
  Put32(s, at + 32, kNamePointers);
  Put32(s, at + 36, kOrdinals);
  for (uint32_t i = 0; i < table.functions; ++i) Put32(s, kFunctions - 0x1000 + 4 * i, 0x1800 + 0x10 * i);
  uint32_t name_at = kNames;
  for (std::size_t i = 0; i < table.names.size(); ++i) {
    // Only the first pointer is meant to be read; the others point nowhere.
    Put32(s, kNamePointers - 0x1000 + 4 * i, i == 0 ? name_at : 0x7FFFFFF0u);
    Put16(s, kOrdinals - 0x1000 + 2 * i, table.ordinals[i]);
    std::copy(table.names[i].begin(), table.names[i].end(), s.begin() + (name_at - 0x1000));
    name_at += static_cast<uint32_t>(table.names[i].size()) + 1;
  }
  if (table.tweak) table.tweak(s);
  PeWriter w;
  w.characteristics = 0x0102;
  w.sections[0].raw = s;
  w.directories[0] = {kDirectory, table.directory_size};
  return w.Build();
}

class ExportLookupTest : public ::testing::Test {
 protected:
  std::unique_ptr<testing::TestProcess> testbed = testing::MakeTestProcess(false);

  // The RVA FindExport gives for name, or 0.
  uint32_t Lookup(const ExportTable& table, const std::string& name) {
    ModuleImage image(*testbed->process);
    EXPECT_EQ(image.Load(ToByteArray(Build(table))), 1);
    const uint32_t address = image.FindExport(Text::from_bytes(name));
    const uint32_t rva = address == 0 ? 0 : address - image.GetImageBase();
    image.Unload();
    return rva;
  }
};

TEST_F(ExportLookupTest, NamesAreWalkedInOrderAndMappedThroughTheOrdinalTable) {
  ExportTable table{{"Alpha", "Beta", "Gamma"}, {2, 0, 1}, 3, nullptr};
  struct Row {
    const char* name;
    uint32_t rva;
  };
  const Row rows[] = {
      {"Alpha", 0x1820},  // name 0 -> index 2
      {"Beta", 0x1800},   // name 1 -> index 0, found though its pointer is bogus
      {"Gamma", 0x1810},
      {"alpha", 0},       // letter case counts
      {"Alph", 0},        // a prefix is not a match
      {"AlphaX", 0},
      {"", 0},            // the empty name is never found
      {"Delta", 0},
  };
  for (const Row& r : rows) EXPECT_EQ(Lookup(table, r.name), r.rva) << r.name;
}

TEST_F(ExportLookupTest, EmptyNameIsNotFoundEvenWhereTheTableHoldsOne) {
  ExportTable table{{"", "Beta"}, {0, 1}, 2, nullptr};
  EXPECT_EQ(Lookup(table, ""), 0u);
  EXPECT_EQ(Lookup(table, "Beta"), 0x1810u);  // walked past the empty name
}

TEST_F(ExportLookupTest, NameBehindALongRunOfEmptyNamesIsCountedRight) {
  // 4096 empty names (zero bytes) from 0x1100, then "Beta" as name 4096,
  // mapped to index 1. With one name fewer, "Beta" lies past the last one.
  constexpr uint32_t kEmpty = 4096;
  constexpr uint32_t kOrdinalTable = 0x2200;
  for (const auto& [count, expected] : std::vector<std::pair<uint32_t, uint32_t>>{
           {kEmpty + 1, 0x1810}, {kEmpty, 0}}) {
    ExportTable table{{"Alpha"}, {0}, 2, [&](std::vector<uint8_t>& s) {
                        s.assign(0x2000 + 2 * (kEmpty + 1), 0);
                        Put32(s, 20, 2);
                        Put32(s, 24, count);
                        Put32(s, 28, kFunctions);
                        Put32(s, 32, kNamePointers);
                        Put32(s, 36, kOrdinalTable);
                        Put32(s, kFunctions - 0x1000, 0x1800);
                        Put32(s, kFunctions - 0x1000 + 4, 0x1810);
                        Put32(s, kNamePointers - 0x1000, kNames);
                        const std::string beta = "Beta";
                        std::copy(beta.begin(), beta.end(), s.begin() + (kNames - 0x1000) + kEmpty);
                        Put16(s, kOrdinalTable - 0x1000 + 2 * kEmpty, 1);
                      }};
    EXPECT_EQ(Lookup(table, "Beta"), expected) << count << " names";
    EXPECT_EQ(Lookup(table, "Alpha"), 0u) << count << " names";  // overwritten by the tweak
  }
}

TEST_F(ExportLookupTest, FirstMatchWins) {
  ExportTable table{{"Twice", "Twice"}, {1, 0}, 2, nullptr};
  EXPECT_EQ(Lookup(table, "Twice"), 0x1810u);
}

TEST_F(ExportLookupTest, MalformedTablesGiveZero) {
  struct Row {
    const char* what;
    ExportTable table;
    std::string name;
  };
  const std::vector<Row> rows = {
      {"NumberOfNames 0", {{}, {}, 3, nullptr}, "Alpha"},
      {"directory Size 0", {{"Alpha"}, {0}, 1, nullptr, 0}, "Alpha"},
      {"ordinal index equal to NumberOfFunctions", {{"Alpha"}, {1}, 1, nullptr}, "Alpha"},
      {"address table beyond the image",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, 28, 0x7FFFFF00u); }}, "Alpha"},
      {"NumberOfFunctions with the top bit set",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, 20, 0x80000001u); }}, "Alpha"},
      {"export directory outside the image",
       {{"Alpha"}, {0}, 1, nullptr}, "Alpha"},  // directory moved below
      {"function RVA outside the image",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, kFunctions - 0x1000, 0x00100000); }},
       "Alpha"},
      {"empty address-table slot",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, kFunctions - 0x1000, 0); }}, "Alpha"},
      {"forwarder into the export directory",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, kFunctions - 0x1000, kDirectory + 0x10); }},
       "Alpha"},
      {"names run off the image's end",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) {
          Put32(s, kNamePointers - 0x1000, 0x1FF0);
          std::fill(s.begin() + 0xFF0, s.end(), 'A');
        }},
       "Beta"},
      {"name pointer outside the image",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, kNamePointers - 0x1000, 0x90000000u); }},
       "Alpha"},
      {"NumberOfNames beyond what the ordinal table can hold",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, 24, 0x7FFFFFFF); }}, "Alpha"},
      {"ordinal table outside the image",
       {{"Alpha"}, {0}, 1, [](std::vector<uint8_t>& s) { Put32(s, 36, 0x1FFF); }}, "Alpha"},
  };
  for (const Row& r : rows) {
    ExportTable table = r.table;
    std::vector<uint8_t> bytes = Build(table);
    if (std::string(r.what) == "export directory outside the image") {
      PeWriter w;
      w.characteristics = 0x0102;
      w.directories[0] = {0x00FFFFF0, 0x28};
      bytes = w.Build();
    }
    ModuleImage image(*testbed->process);
    ASSERT_EQ(image.Load(ToByteArray(bytes)), 1) << r.what;
    EXPECT_EQ(image.FindExport(Text::from_bytes(r.name)), 0u) << r.what;
    image.Unload();
  }
}

TEST_F(ExportLookupTest, EntryAtTheLastIndexIsFound) {
  // The twin of "index equal to NumberOfFunctions": index 2 of 3.
  ExportTable table{{"Last"}, {2}, 3, nullptr};
  EXPECT_EQ(Lookup(table, "Last"), 0x1820u);
}

TEST_F(ExportLookupTest, NoImageNoExport) {
  ModuleImage image(*testbed->process);
  EXPECT_EQ(image.FindExport(Text::from_bytes("Alpha")), 0u);
  EXPECT_EQ(image.EntryPointAddress(), 0u);
  EXPECT_EQ(image.GetImageBase(), 0u);
}

}  // namespace
}  // namespace pindrel
