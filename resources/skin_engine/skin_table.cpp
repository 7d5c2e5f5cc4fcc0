// The skin table's reader and the ".SHE" writer (layout in skin_format.h).
#include "resources/skin_engine/skin_table.h"

#include <array>
#include <charconv>
#include <sstream>

extern "C" {
#include "resources/skin_engine/skin_format.h"
}

namespace pindrel::skins {

namespace {

constexpr std::array<std::pair<std::string_view, uint32_t>, SHE_FRAME_STYLE_COUNT> kFrameStyles{{
    {"flat", SHE_FRAME_FLAT},
    {"outset", SHE_FRAME_OUTSET},
    {"ridge", SHE_FRAME_RIDGE},
    {"gradient", SHE_FRAME_GRADIENT},
    {"underline", SHE_FRAME_UNDERLINE},
}};

constexpr int kColumns = 12;

// "#rrggbb" -> 0xRRGGBB
std::optional<uint32_t> ParseColour(std::string_view s) {
  if (s.size() != 7 || s[0] != '#') return std::nullopt;
  uint32_t v = 0;
  const auto r = std::from_chars(s.data() + 1, s.data() + s.size(), v, 16);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::optional<uint32_t> ParseNumber(std::string_view s, uint32_t low, uint32_t high) {
  uint32_t v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < low || v > high) return std::nullopt;
  return v;
}

// Mixes two 0xRRGGBB colours channel by channel: weight 0 gives a, 100 gives b.
uint32_t Mix(uint32_t a, uint32_t b, uint32_t weight) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t ca = (a >> shift) & 0xFF;
    const uint32_t cb = (b >> shift) & 0xFF;
    out |= ((ca * (100 - weight) + cb * weight + 50) / 100) << shift;
  }
  return out;
}

void Put16(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& out, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc;
}

std::optional<SkinRow> ParseRow(const std::vector<std::string>& f, std::string& why) {
  SkinRow row;
  const auto number = ParseNumber(f[0], 1, 999);
  if (!number) return why = "bad number", std::nullopt;
  row.number = static_cast<int>(*number);
  row.name = f[1];
  if (row.name.size() > SHE_MAX_NAME) return why = "name too long", std::nullopt;
  uint32_t* colours[] = {&row.face, &row.window, &row.text, &row.button_text, &row.highlight,
                         &row.highlight_text};
  for (std::size_t i = 0; i < std::size(colours); ++i) {
    const auto c = ParseColour(f[2 + i]);
    if (!c) return why = "bad colour '" + f[2 + i] + "'", std::nullopt;
    *colours[i] = *c;
  }
  bool known = false;
  for (const auto& [name, style] : kFrameStyles) {
    if (f[8] == name) {
      row.frame_style = style;
      known = true;
    }
  }
  if (!known) return why = "unknown frame style '" + f[8] + "'", std::nullopt;
  const auto radius = ParseNumber(f[9], 0, SHE_MAX_CORNER_RADIUS);
  const auto width = ParseNumber(f[10], SHE_MIN_FRAME_WIDTH, SHE_MAX_FRAME_WIDTH);
  const auto line = ParseColour(f[11]);
  if (!radius || !width || !line) return why = "bad frame radius, width or colour", std::nullopt;
  row.corner_radius = *radius;
  row.frame_width = *width;
  row.frame_colour = *line;
  return row;
}

}  // namespace

std::optional<std::vector<SkinRow>> ParseSkinTable(std::string_view table, std::string& error) {
  std::vector<SkinRow> rows;
  std::istringstream in{std::string(table)};
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    // Blank lines and lines whose first character is '#' are comments; a
    // '#' later on a line starts a colour.
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    std::string why;
    std::optional<SkinRow> row;
    if (f.size() != kColumns) {
      why = "expected " + std::to_string(kColumns) + " fields, found " + std::to_string(f.size());
    } else {
      row = ParseRow(f, why);
      if (row && row->number != static_cast<int>(rows.size()) + 1) {
        why = "skins must be numbered 1, 2, ... in order";
        row.reset();
      }
    }
    if (!row) {
      error = "line " + std::to_string(line_number) + ": " + why;
      return std::nullopt;
    }
    rows.push_back(*row);
  }
  return rows;
}

std::vector<std::pair<uint32_t, uint32_t>> SkinColours(const SkinRow& row) {
  constexpr uint32_t white = 0xFFFFFF;
  constexpr uint32_t black = 0x000000;
  const std::pair<uint32_t, uint32_t> rgb[] = {
      {SHE_COLOR_BTNFACE, row.face},
      {SHE_COLOR_WINDOW, row.window},
      {SHE_COLOR_WINDOWTEXT, row.text},
      {SHE_COLOR_BTNTEXT, row.button_text},
      {SHE_COLOR_HIGHLIGHT, row.highlight},
      {SHE_COLOR_HIGHLIGHTTEXT, row.highlight_text},
      {SHE_COLOR_BTNHIGHLIGHT, Mix(row.face, white, 60)},
      {SHE_COLOR_3DLIGHT, Mix(row.face, white, 30)},
      {SHE_COLOR_BTNSHADOW, Mix(row.face, black, 35)},
      {SHE_COLOR_3DDKSHADOW, Mix(row.face, black, 70)},
      {SHE_COLOR_GRAYTEXT, Mix(row.button_text, row.face, 55)},
      {SHE_COLOR_INFOTEXT, row.text},
      {SHE_COLOR_INFOBK, Mix(row.window, row.highlight, 15)},
      {SHE_COLOR_HOTLIGHT, row.highlight},
  };
  std::vector<std::pair<uint32_t, uint32_t>> out;
  for (const auto& [index, colour] : rgb) out.emplace_back(index, ToColorRef(colour));
  return out;
}

std::vector<uint8_t> BuildSkin(const SkinRow& row) {
  const auto colours = SkinColours(row);
  // Header, name (zero-terminated, padded to 4), colour table, frame block.
  const std::size_t name_at = SHE_HEADER_SIZE;
  const std::size_t colours_at = name_at + ((row.name.size() + 1 + 3) & ~std::size_t{3});
  const std::size_t frame_at = colours_at + colours.size() * SHE_COLOUR_ENTRY_SIZE;
  std::vector<uint8_t> out(frame_at + SHE_FRAME_SIZE, 0);

  out[0] = SHE_MAGIC_0;
  out[1] = SHE_MAGIC_1;
  out[2] = SHE_MAGIC_2;
  out[3] = SHE_MAGIC_3;
  Put16(out, SHE_VERSION_OFFSET, SHE_VERSION);
  Put16(out, SHE_HEADER_SIZE_OFFSET, SHE_HEADER_SIZE);
  Put32(out, SHE_LENGTH_OFFSET, static_cast<uint32_t>(out.size()));
  Put32(out, SHE_NAME_OFFSET, static_cast<uint32_t>(name_at));
  Put32(out, SHE_COLOURS_OFFSET, static_cast<uint32_t>(colours_at));
  Put32(out, SHE_COLOUR_COUNT_OFFSET, static_cast<uint32_t>(colours.size()));
  Put32(out, SHE_FRAME_OFFSET, static_cast<uint32_t>(frame_at));
  for (std::size_t i = 0; i < row.name.size(); ++i) out[name_at + i] = static_cast<uint8_t>(row.name[i]);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    Put32(out, colours_at + SHE_COLOUR_ENTRY_SIZE * i, colours[i].first);
    Put32(out, colours_at + SHE_COLOUR_ENTRY_SIZE * i + 4, colours[i].second);
  }
  Put32(out, frame_at, row.frame_style);
  Put32(out, frame_at + 4, row.corner_radius);
  Put32(out, frame_at + 8, row.frame_width);
  Put32(out, frame_at + 12, ToColorRef(row.frame_colour));
  SealSkin(out);
  return out;
}

uint32_t SkinChecksum(std::span<const uint8_t> skin) {
  if (skin.size() < SHE_CHECKSUM_OFFSET + 4) return 0;
  uint32_t crc = 0xFFFFFFFFu;
  crc = Crc32(crc, skin.first(SHE_CHECKSUM_OFFSET));
  crc = Crc32(crc, skin.subspan(SHE_CHECKSUM_OFFSET + 4));
  return crc ^ 0xFFFFFFFFu;
}

void SealSkin(std::span<uint8_t> skin) {
  if (skin.size() < SHE_CHECKSUM_OFFSET + 4) return;
  const uint32_t crc = SkinChecksum(skin);
  for (int i = 0; i < 4; ++i) skin[SHE_CHECKSUM_OFFSET + i] = static_cast<uint8_t>(crc >> (8 * i));
}

}  // namespace pindrel::skins
