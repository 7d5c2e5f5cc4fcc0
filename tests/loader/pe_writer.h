// A tiny PE32 writer for tests that need exact header values: a DOS header,
// NT headers at e_lfanew, the section table behind them and section bytes at
// their file offsets. Fields are written with Put16/Put32 at their PE/COFF
// offsets, so a test can then poke any byte it likes.
//
//   PeWriter w;                       // a DLL with one code section
//   auto bytes = w.Build();
//   Put32(bytes, w.OptionalHeaderOffset() + 32, 0);  // SectionAlignment 0
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/text.h"

namespace pindrel::testing {

inline void Put16(std::vector<uint8_t>& b, std::size_t at, uint16_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t Get32(const std::vector<uint8_t>& b, std::size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline ByteArray ToByteArray(const std::vector<uint8_t>& b) {
  return ByteArray(std::string(b.begin(), b.end()));
}

// mov eax, 1; ret 12: an entry routine that agrees to attach.
inline const std::vector<uint8_t> kAttachingEntry = {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2, 0x0C, 0x00};

struct PeSection {
  std::string name = ".text";
  uint32_t virtual_size = 0x1000;
  uint32_t virtual_address = 0x1000;
  uint32_t pointer_to_raw_data = 0x200;
  std::vector<uint8_t> raw;          // SizeOfRawData is raw.size() unless set
  int64_t size_of_raw_data = -1;     // explicit SizeOfRawData
};

struct PeWriter {
  int32_t e_lfanew = 0x40;
  uint16_t characteristics = 0x2102;  // executable, 32-bit machine, DLL
  uint16_t size_of_optional_header = 224;
  uint32_t entry_point = 0x1000;
  uint32_t image_base = 0x20000000;
  uint32_t section_alignment = 0x1000;
  uint32_t size_of_headers = 0x200;
  uint32_t size_of_image = 0x2000;
  std::array<std::array<uint32_t, 2>, 16> directories{};
  std::vector<PeSection> sections{PeSection{".text", 0x1000, 0x1000, 0x200, kAttachingEntry, -1}};
  std::size_t minimum_size = 0;  // pad the file to at least this many bytes

  std::size_t NtOffset() const { return static_cast<std::size_t>(e_lfanew); }
  std::size_t FileHeaderOffset() const { return NtOffset() + 4; }
  std::size_t OptionalHeaderOffset() const { return NtOffset() + 24; }
  std::size_t SectionOffset(std::size_t i) const { return NtOffset() + 248 + 40 * i; }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> b(64, 0);
    Put16(b, 0, 0x5A4D);
    Put32(b, 60, static_cast<uint32_t>(e_lfanew));
    const std::size_t nt = NtOffset();
    Put32(b, nt, 0x00004550);
    const std::size_t fh = FileHeaderOffset();
    Put16(b, fh + 0, 0x014C);  // i386
    Put16(b, fh + 2, static_cast<uint16_t>(sections.size()));
    Put16(b, fh + 16, size_of_optional_header);
    Put16(b, fh + 18, characteristics);
    const std::size_t oh = OptionalHeaderOffset();
    Put16(b, oh + 0, 0x010B);
    Put32(b, oh + 16, entry_point);
    Put32(b, oh + 28, image_base);
    Put32(b, oh + 32, section_alignment);
    Put32(b, oh + 36, 0x200);  // FileAlignment
    Put32(b, oh + 56, size_of_image);
    Put32(b, oh + 60, size_of_headers);
    Put32(b, oh + 92, 16);
    for (std::size_t i = 0; i < 16; ++i) {
      Put32(b, oh + 96 + 8 * i, directories[i][0]);
      Put32(b, oh + 100 + 8 * i, directories[i][1]);
    }
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const PeSection& s = sections[i];
      const std::size_t at = SectionOffset(i);
      if (b.size() < at + 40) b.resize(at + 40);
      std::memcpy(b.data() + at, s.name.data(), std::min<std::size_t>(8, s.name.size()));
      Put32(b, at + 8, s.virtual_size);
      Put32(b, at + 12, s.virtual_address);
      const auto raw_size = s.size_of_raw_data >= 0 ? static_cast<uint32_t>(s.size_of_raw_data)
                                                    : static_cast<uint32_t>(s.raw.size());
      Put32(b, at + 16, raw_size);
      Put32(b, at + 20, s.pointer_to_raw_data);
    }
    for (const PeSection& s : sections) {
      if (s.raw.empty()) continue;
      const std::size_t at = s.pointer_to_raw_data;
      if (b.size() < at + s.raw.size()) b.resize(at + s.raw.size());
      std::memcpy(b.data() + at, s.raw.data(), s.raw.size());
    }
    if (b.size() < size_of_headers) b.resize(size_of_headers);
    if (b.size() < minimum_size) b.resize(minimum_size);
    return b;
  }
};

}  // namespace pindrel::testing
