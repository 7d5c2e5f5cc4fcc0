// The readable skin table (skins.txt) and the ".SHE" skins built from it.
// The generator (make_skins.cpp) turns the table into the 33 stored skins at
// build time; the tests read the same table to know what each skin should
// look like. The program itself never parses a skin: the engine does.
//
//   # n  name       face    window  text    button  select  selected frame  radius width line
//   1    Porcelain  #d4d0c8 #ffffff #000000 #000000 #0a246a #ffffff  outset 0      2     #808080
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pindrel::skins {

// Colours are 0xRRGGBB as written in the table ("#RRGGBB").
struct SkinRow {
  int number = 0;
  std::string name;
  uint32_t face = 0;            // button faces and window backgrounds
  uint32_t window = 0;          // edit boxes
  uint32_t text = 0;            // window and edit text
  uint32_t button_text = 0;
  uint32_t highlight = 0;       // selection
  uint32_t highlight_text = 0;  // selected text
  uint32_t frame_style = 0;     // SHE_FRAME_*
  uint32_t corner_radius = 0;
  uint32_t frame_width = 1;
  uint32_t frame_colour = 0;
};

// The rows in table order; nullopt with a message naming the line when a
// line is malformed, a value is out of range or the numbers are not 1, 2, ...
std::optional<std::vector<SkinRow>> ParseSkinTable(std::string_view table, std::string& error);

// The COLOR_* entries a row's skin carries, as {index, COLORREF 0x00BBGGRR}:
// the table's colours and the 3D shades derived from the face.
std::vector<std::pair<uint32_t, uint32_t>> SkinColours(const SkinRow& row);

// The ".SHE" skin of a row, checksum included.
std::vector<uint8_t> BuildSkin(const SkinRow& row);

// CRC-32 of a skin without its checksum field; 0 for fewer than 12 bytes.
uint32_t SkinChecksum(std::span<const uint8_t> skin);
// Writes SkinChecksum into the checksum field (for a skin edited by hand).
void SealSkin(std::span<uint8_t> skin);

// 0xRRGGBB <-> COLORREF 0x00BBGGRR.
constexpr uint32_t ToColorRef(uint32_t rgb) {
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

}  // namespace pindrel::skins
