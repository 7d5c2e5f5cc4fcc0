// The readable skin table and the skins the generator writes from it: a
// malformed line stops the build with a message naming it, and a written
// skin holds exactly the row's values where the layout puts them.
#include <gtest/gtest.h>

#include <string>

#include "loader/byte_view.h"
#include "loader/pe_format.h"
#include "resources/skin_engine/skin_table.h"

extern "C" {
#include "resources/skin_engine/skin_format.h"
}

namespace pindrel::skins {
namespace {

constexpr const char* kGood = "1 Porcelain #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0\n";

TEST(SkinTable, ReadsRowsAndSkipsCommentsAndBlankLines) {
  std::string error;
  const auto rows = ParseSkinTable(std::string("# a comment\n\n   # indented comment\n") + kGood +
                                       "2 Next #010203 #ffffff #000000 #000000 #0a246a #ffffff underline 12 4 #0a0b0c\r\n",
                                   error);
  ASSERT_TRUE(rows.has_value()) << error;
  ASSERT_EQ(rows->size(), 2u);
  const SkinRow& r = (*rows)[1];
  EXPECT_EQ(r.number, 2);
  EXPECT_EQ(r.name, "Next");
  EXPECT_EQ(r.face, 0x010203u);
  EXPECT_EQ(r.frame_style, uint32_t{SHE_FRAME_UNDERLINE});
  EXPECT_EQ(r.corner_radius, 12u);
  EXPECT_EQ(r.frame_width, 4u);
  EXPECT_EQ(r.frame_colour, 0x0a0b0cu);
}

TEST(SkinTable, RefusesMalformedLinesNamingTheLine) {
  struct Case {
    const char* what;
    std::string second_line;
  };
  const Case cases[] = {
      {"a field missing", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2"},
      {"a field too many", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0 x"},
      {"numbers out of order", "3 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0"},
      {"a colour without #", "2 Next d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0"},
      {"a short colour", "2 Next #d4d0c #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0"},
      {"a colour that is not hex", "2 Next #d4d0cg #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0"},
      {"an unknown frame style", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff bevel 0 2 #a0a0a0"},
      {"a radius above 12", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 13 2 #a0a0a0"},
      {"a width of 0", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 0 #a0a0a0"},
      {"a width above 4", "2 Next #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 5 #a0a0a0"},
      {"a name of 64 letters",
       "2 " + std::string(64, 'n') + " #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 0 2 #a0a0a0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_FALSE(ParseSkinTable(std::string(kGood) + c.second_line + "\n", error).has_value());
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
  // The boundary values themselves are accepted.
  std::string error;
  EXPECT_TRUE(ParseSkinTable(std::string(kGood) + "2 " + std::string(63, 'n') +
                                 " #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff outset 12 1 #a0a0a0\n",
                             error)
                  .has_value())
      << error;
}

TEST(SkinTable, AWrittenSkinHoldsTheRowWhereTheLayoutPutsIt) {
  std::string error;
  const auto rows = ParseSkinTable(kGood, error);
  ASSERT_TRUE(rows.has_value()) << error;
  const std::vector<uint8_t> skin = BuildSkin(rows->front());
  const auto at = [&skin](std::size_t offset) { return LoadLe32(skin.data() + offset); };

  ASSERT_GE(skin.size(), std::size_t{SHE_HEADER_SIZE});
  EXPECT_EQ(std::string(skin.begin(), skin.begin() + 4), ".SHE");
  EXPECT_EQ(LoadLe16(skin.data() + SHE_VERSION_OFFSET), SHE_VERSION);
  EXPECT_EQ(LoadLe16(skin.data() + SHE_HEADER_SIZE_OFFSET), SHE_HEADER_SIZE);
  EXPECT_EQ(at(SHE_LENGTH_OFFSET), skin.size());
  EXPECT_EQ(at(SHE_CHECKSUM_OFFSET), SkinChecksum(skin));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(skin.data() + at(SHE_NAME_OFFSET))), "Porcelain");

  // The colour table: the face as COLORREF under COLOR_BTNFACE.
  const uint32_t colours = at(SHE_COLOURS_OFFSET);
  const uint32_t count = at(SHE_COLOUR_COUNT_OFFSET);
  ASSERT_LE(colours + count * SHE_COLOUR_ENTRY_SIZE, skin.size());
  bool face = false;
  for (uint32_t i = 0; i < count; ++i) {
    if (at(colours + SHE_COLOUR_ENTRY_SIZE * i) == SHE_COLOR_BTNFACE) {
      EXPECT_EQ(at(colours + SHE_COLOUR_ENTRY_SIZE * i + 4), 0x00c8d0d4u);
      face = true;
    }
  }
  EXPECT_TRUE(face);

  const uint32_t frame = at(SHE_FRAME_OFFSET);
  ASSERT_LE(frame + SHE_FRAME_SIZE, skin.size());
  EXPECT_EQ(at(frame), uint32_t{SHE_FRAME_OUTSET});
  EXPECT_EQ(at(frame + 4), 0u);
  EXPECT_EQ(at(frame + 8), 2u);
  EXPECT_EQ(at(frame + 12), 0x00a0a0a0u);
}

TEST(SkinTable, TheChecksumIsCrc32WithoutItsOwnField) {
  // "123456789" is the CRC-32 check string (0xCBF43926); with four bytes in
  // the checksum's place, those four do not count.
  const std::string check = "12345678????9";
  std::vector<uint8_t> bytes(check.begin(), check.end());
  EXPECT_EQ(SkinChecksum(bytes), 0xCBF43926u);
  bytes[9] = '!';
  EXPECT_EQ(SkinChecksum(bytes), 0xCBF43926u);
  bytes[12] = '0';
  EXPECT_NE(SkinChecksum(bytes), 0xCBF43926u);
}

}  // namespace
}  // namespace pindrel::skins
