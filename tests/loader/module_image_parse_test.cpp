// ParseHeaders, ComputeImageSize and AlignUp over images from the PE writer:
// each boundary case next to its one-byte-past twin.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "loader/module_image.h"
#include "pe_writer.h"
#include "test_images.h"

namespace pindrel {
namespace {

using testing::PeSection;
using testing::PeWriter;
using testing::Put16;
using testing::Put32;

class ParseHeadersTest : public ::testing::Test {
 protected:
  std::unique_ptr<testing::TestProcess> testbed = testing::MakeTestProcess(false);
  ModuleImage image{*testbed->process};

  int Parse(const std::vector<uint8_t>& bytes) { return image.ParseHeaders(bytes.data(), bytes.size()); }
};

// A header-only DLL of exactly e_lfanew + 248 bytes.
PeWriter HeadersOnly() {
  PeWriter w;
  w.sections.clear();
  w.entry_point = 0;
  w.size_of_headers = 0x40 + 248;
  return w;
}

struct ParseCase {
  const char* what;
  std::function<std::vector<uint8_t>()> build_input;
  int expected;
};

TEST_F(ParseHeadersTest, AcceptsAndRejectsAtEachBoundary) {
  const std::vector<ParseCase> cases = {
      {"63 bytes", [] { auto b = HeadersOnly().Build(); b.resize(63); return b; }, 0},
      {"64 bytes, NT headers missing", [] { auto b = HeadersOnly().Build(); b.resize(64); return b; }, 0},
      {"exactly e_lfanew + 248 bytes, no sections", [] { return HeadersOnly().Build(); }, 1},
      {"one byte short of the NT headers",
       [] { auto b = HeadersOnly().Build(); b.pop_back(); return b; }, 0},
      {"DOS magic 'MY'", [] { auto b = HeadersOnly().Build(); b[1] = 'Y'; return b; }, 0},
      {"negative e_lfanew",
       [] { auto b = HeadersOnly().Build(); Put32(b, 60, 0x80000000u); return b; }, 0},
      {"signature PE\\0\\1 (all 32 bits count)",
       [] { auto b = HeadersOnly().Build(); b[0x40 + 3] = 1; return b; }, 0},
      {"executable flag clear",
       [] { auto w = HeadersOnly(); w.characteristics = 0x2100; return w.Build(); }, 0},
      {"not a DLL is fine", [] { auto w = HeadersOnly(); w.characteristics = 0x0102; return w.Build(); }, 1},
      {"optional header of 240 bytes",
       [] { auto w = HeadersOnly(); w.size_of_optional_header = 240; return w.Build(); }, 0},
      {"section ends exactly at the input's end",
       [] {
         PeWriter w;
         w.sections[0].raw.assign(0x200, 0x90);
         return w.Build();  // 0x200 + 0x200 bytes
       },
       1},
      {"section ends one byte past the input's end",
       [] {
         PeWriter w;
         w.sections[0].raw.assign(0x200, 0x90);
         auto b = w.Build();
         b.pop_back();
         return b;
       },
       0},
      {"section table cut by the input's end",
       [] {
         PeWriter w;
         w.sections[0].raw.clear();
         w.size_of_headers = 0;
         auto b = w.Build();
         b.resize(w.SectionOffset(0) + 39);
         return b;
       },
       0},
      {"PointerToRawData with the top bit set",
       [] {
         PeWriter w;
         w.sections[0].raw.clear();
         w.sections[0].pointer_to_raw_data = 0x80000000u;
         return w.Build();
       },
       0},
  };
  for (const auto& c : cases) {
    ModuleImage fresh(*testbed->process);
    const auto bytes = c.build_input();
    EXPECT_EQ(fresh.ParseHeaders(bytes.data(), bytes.size()), c.expected) << c.what;
    EXPECT_EQ(fresh.GetImageBase(), 0u) << c.what;
  }
}

TEST_F(ParseHeadersTest, SectionCountOf32768IsRejectedWhere32767Passes) {
  // A file large enough to hold every record, all zero, so the count alone
  // decides.
  for (const auto& [count, expected] : std::vector<std::pair<uint16_t, int>>{{0x7FFF, 1}, {0x8000, 0}}) {
    PeWriter w = HeadersOnly();
    w.minimum_size = w.SectionOffset(0x8000);
    auto bytes = w.Build();
    Put16(bytes, w.FileHeaderOffset() + 2, count);
    EXPECT_EQ(Parse(bytes), expected) << count;
    if (expected == 1) {
      EXPECT_EQ(image.section_table().size(), count);
    }
  }
}

TEST_F(ParseHeadersTest, FailedParseLeavesPartialCopiesBehind) {
  PeWriter w;
  w.sections[0].raw.assign(16, 0xCC);
  ASSERT_EQ(Parse(w.Build()), 1);
  ASSERT_EQ(image.section_table().size(), 1u);

  // Fails at the optional-header size: DOS and NT headers are the new ones,
  // the section table is still the one of the previous parse.
  PeWriter bad = HeadersOnly();
  bad.size_of_optional_header = 240;
  bad.image_base = 0x30000000;
  EXPECT_EQ(Parse(bad.Build()), 0);
  EXPECT_EQ(image.nt_headers().FileHeader.SizeOfOptionalHeader, 240);
  EXPECT_EQ(image.nt_headers().OptionalHeader.ImageBase, 0x30000000u);
  EXPECT_EQ(image.section_table().size(), 1u);
  EXPECT_EQ(image.GetImageBase(), 0u);
}

TEST_F(ParseHeadersTest, CopiesTheDosHeaderArraysAndSectionRecords) {
  PeWriter w;
  w.sections.push_back(PeSection{".data", 0x2345, 0x2000, 0x400, std::vector<uint8_t>(0x200, 1), -1});
  auto bytes = w.Build();
  Put16(bytes, 28 + 2 * 3, 0xABCD);   // e_res[3]
  Put16(bytes, 40 + 2 * 9, 0x1234);   // e_res2[9]
  ASSERT_EQ(Parse(bytes), 1);
  EXPECT_EQ(image.dos_header().e_res[3], 0xABCD);
  EXPECT_EQ(image.dos_header().e_res2[9], 0x1234);
  EXPECT_EQ(image.dos_header().e_lfanew, 0x40);
  ASSERT_EQ(image.section_table().size(), 2u);
  const auto& data = image.section_table()[1];
  EXPECT_EQ(data.VirtualSize, 0x2345u);
  EXPECT_EQ(data.VirtualAddress, 0x2000u);
  EXPECT_EQ(data.SizeOfRawData, 0x200u);
  EXPECT_EQ(data.PointerToRawData, 0x400u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.Name.data()), 5), ".data");
}

struct SizeCase {
  const char* what;
  std::function<void(PeWriter&)> shape;
  int expected;
};

TEST_F(ParseHeadersTest, ComputeImageSizeCoversHeadersAndEverySection) {
  const std::vector<SizeCase> cases = {
      {"no sections: the aligned headers",
       [](PeWriter& w) { w.sections.clear(); w.size_of_headers = 0x200; }, 0x1000},
      {"virtual size beyond the raw data",
       [](PeWriter& w) { w.sections[0].virtual_size = 0x1800; }, 0x3000},
      {"raw data beyond the virtual size",
       [](PeWriter& w) {
         w.sections[0].virtual_size = 0x10;
         w.sections[0].raw.assign(0x2001, 0);
       },
       0x4000},
      {"VirtualSize above 16 bits is taken whole",
       [](PeWriter& w) { w.sections[0].virtual_size = 0x12345; }, 0x14000},
      {"a later, smaller section does not shrink the size",
       [](PeWriter& w) {
         w.sections[0].virtual_address = 0x5000;
         w.sections.push_back(PeSection{".b", 0x10, 0x2000, 0x200, {}, -1});
       },
       0x6000},
      {"alignment 0 gives 0", [](PeWriter& w) { w.section_alignment = 0; }, 0},
      {"SizeOfImage is not consulted", [](PeWriter& w) { w.size_of_image = 0x100000; }, 0x2000},
      {"a VirtualAddress with the top bit set",
       [](PeWriter& w) { w.sections[0].virtual_address = 0x80001000u; }, 0},
      {"an extent beyond 2 GiB",
       [](PeWriter& w) {
         w.sections[0].virtual_address = 0x7FFFF000u;
         w.sections[0].virtual_size = 0x2000;
       },
       0},
  };
  for (const auto& c : cases) {
    PeWriter w;
    c.shape(w);
    ModuleImage fresh(*testbed->process);
    const auto bytes = w.Build();
    ASSERT_EQ(fresh.ParseHeaders(bytes.data(), bytes.size()), 1) << c.what;
    EXPECT_EQ(fresh.ComputeImageSize(), c.expected) << c.what;
  }
}

TEST_F(ParseHeadersTest, AlignUpRoundsToMultiples) {
  struct Row {
    int64_t value, alignment, expected;
  };
  const Row rows[] = {
      {0x1000, 0x1000, 0x1000},
      {0x1001, 0x1000, 0x2000},
      {0, 0x1000, 0},
      {1, 0x1000, 0x1000},
      {0x1234, 0, 0},                      // alignment 0
      {0xFFFFFFFF, 0x1000, 0x100000000},   // no 32-bit wrap
      {7, 3, 9},                           // not a power of two
  };
  for (const Row& r : rows)
    EXPECT_EQ(AlignUp(r.value, r.alignment), r.expected) << r.value << " / " << r.alignment;
}

}  // namespace
}  // namespace pindrel
