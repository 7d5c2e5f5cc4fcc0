// Checked access to untrusted bytes (an input image, a mapped image). Every
// offset is taken as a signed 64-bit value, so a sum of 32-bit header fields
// can neither wrap nor go negative unnoticed; a read that would leave the
// bytes gives std::nullopt instead of touching memory outside them.
//
//   ByteView v(bytes);
//   v.read32(60)            // e_lfanew, or nullopt for fewer than 64 bytes
//   v.c_string(name_rva)    // up to (not including) the zero byte, which must
//                           // lie inside the view
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "loader/pe_format.h"

namespace pindrel {

class ByteView {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  int64_t size() const { return static_cast<int64_t>(bytes_.size()); }

  // True when [offset, offset + n) lies inside the view.
  bool contains(int64_t offset, int64_t n) const {
    return offset >= 0 && n >= 0 && offset <= size() && n <= size() - offset;
  }

  std::optional<std::span<const uint8_t>> sub(int64_t offset, int64_t n) const {
    if (!contains(offset, n)) return std::nullopt;
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(n));
  }

  template <std::size_t N>
  std::optional<std::span<const uint8_t, N>> fixed(int64_t offset) const {
    if (!contains(offset, static_cast<int64_t>(N))) return std::nullopt;
    return bytes_.subspan(static_cast<std::size_t>(offset)).template first<N>();
  }

  std::optional<uint16_t> read16(int64_t offset) const {
    if (!contains(offset, 2)) return std::nullopt;
    return pe::LoadLe16(bytes_.data() + offset);
  }

  std::optional<uint32_t> read32(int64_t offset) const {
    if (!contains(offset, 4)) return std::nullopt;
    return pe::LoadLe32(bytes_.data() + offset);
  }

  // The zero-terminated byte string at offset; nullopt when no zero byte
  // follows inside the view.
  std::optional<std::string_view> c_string(int64_t offset) const {
    if (!contains(offset, 0)) return std::nullopt;
    const auto* start = bytes_.data() + offset;
    const auto rest = static_cast<std::size_t>(size() - offset);
    const void* end = std::memchr(start, 0, rest);
    if (end == nullptr) return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(start),
                            static_cast<std::size_t>(static_cast<const uint8_t*>(end) - start));
  }

 private:
  std::span<const uint8_t> bytes_;
};

// The image being built during a load: the guest address it will live at and
// a host-side copy of all its bytes. The loader's data-processing steps work on
// this buffer; Load writes it to the reserved guest memory in one pass before
// the entry routine runs. Writes are checked like reads.
struct ImageBuffer {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;

  ByteView view() const { return ByteView(bytes); }

  bool write32(int64_t offset, uint32_t value) {
    if (!view().contains(offset, 4)) return false;
    pe::StoreLe32(bytes.data() + offset, value);
    return true;
  }

  bool copy_in(int64_t offset, std::span<const uint8_t> source) {
    if (!view().contains(offset, static_cast<int64_t>(source.size()))) return false;
    if (!source.empty()) std::memcpy(bytes.data() + offset, source.data(), source.size());
    return true;
  }
};

}  // namespace pindrel
