// Checked access to untrusted bytes: the input image (ByteView), the image
// being built (ImageBuffer) and the image once it lives in the process
// (MappedImageView, loader/mapped_image_view.h). All of them read through one
// family, CheckedReader: every offset is taken as a signed 64-bit value, so a
// sum of 32-bit header fields can neither wrap nor go negative unnoticed, and
// a read that would leave the bytes gives std::nullopt (or false) instead of
// touching memory outside them.
//
//   ByteView v(bytes);
//   v.read32(60)            // e_lfanew, or nullopt for fewer than 64 bytes
//   v.c_string(name_rva)    // up to (not including) the zero byte, which must
//                           // lie inside the view
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace pindrel {

// Little-endian loads and stores through a pointer the caller has already
// bounded (PE/COFF fields are little-endian whatever the host is).
inline uint16_t LoadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// The bounded reads every view offers. Source provides
//   int64_t size() const;
//   std::span<const uint8_t> chunk(int64_t offset) const;
// where chunk gives the bytes from offset on that the source holds in one
// piece (at least one for 0 <= offset < size(), none when they cannot be had).
template <class Source>
class CheckedReader {
 public:
  // True when [offset, offset + n) lies inside the view.
  bool contains(int64_t offset, int64_t n) const {
    const int64_t size = source().size();
    return offset >= 0 && n >= 0 && offset <= size && n <= size - offset;
  }

  // Copies [offset, offset + out.size()) into out; false when the range is
  // not wholly inside the view.
  bool copy(int64_t offset, std::span<uint8_t> out) const {
    if (!contains(offset, static_cast<int64_t>(out.size()))) return false;
    std::size_t done = 0;
    while (done < out.size()) {
      const auto piece = source().chunk(offset + static_cast<int64_t>(done));
      if (piece.empty()) return false;
      const std::size_t n = std::min(piece.size(), out.size() - done);
      std::memcpy(out.data() + done, piece.data(), n);
      done += n;
    }
    return true;
  }

  // A record of exactly N bytes, for the pe::Decode... functions.
  template <std::size_t N>
  std::optional<std::array<uint8_t, N>> fixed(int64_t offset) const {
    std::array<uint8_t, N> out{};
    if (!copy(offset, out)) return std::nullopt;
    return out;
  }

  std::optional<uint16_t> read16(int64_t offset) const {
    const auto b = fixed<2>(offset);
    if (!b) return std::nullopt;
    return LoadLe16(b->data());
  }

  std::optional<uint32_t> read32(int64_t offset) const {
    const auto b = fixed<4>(offset);
    if (!b) return std::nullopt;
    return LoadLe32(b->data());
  }

  // How many zero bytes follow from offset on, up to the view's end (or up
  // to the first byte that cannot be read).
  int64_t zero_run(int64_t offset) const {
    static constexpr std::array<uint8_t, 4096> kZeros{};
    int64_t at = offset;
    while (contains(at, 1)) {
      const auto piece = source().chunk(at);
      if (piece.empty()) break;
      for (std::size_t done = 0; done < piece.size();) {
        const std::size_t n = std::min(kZeros.size(), piece.size() - done);
        if (std::memcmp(piece.data() + done, kZeros.data(), n) != 0) {
          const auto* first = std::find_if(piece.data() + done, piece.data() + done + n,
                                           [](uint8_t b) { return b != 0; });
          return at + static_cast<int64_t>(first - piece.data()) - offset;
        }
        done += n;
      }
      at += static_cast<int64_t>(piece.size());
    }
    return at - offset;
  }

  // The zero-terminated byte string at offset, without its zero byte;
  // nullopt when no zero byte follows inside the view.
  std::optional<std::string> c_string(int64_t offset) const {
    if (!contains(offset, 0)) return std::nullopt;
    std::string out;
    for (int64_t at = offset; at < source().size();) {
      const auto piece = source().chunk(at);
      if (piece.empty()) return std::nullopt;
      const void* zero = std::memchr(piece.data(), 0, piece.size());
      const auto* end = zero != nullptr ? static_cast<const uint8_t*>(zero) : piece.data() + piece.size();
      out.append(reinterpret_cast<const char*>(piece.data()),
                 static_cast<std::size_t>(end - piece.data()));
      if (zero != nullptr) return out;
      at += static_cast<int64_t>(piece.size());
    }
    return std::nullopt;
  }

 private:
  const Source& source() const { return static_cast<const Source&>(*this); }
};

// A view of bytes in host memory (the input image, the image buffer).
class ByteView : public CheckedReader<ByteView> {
 public:
  ByteView() = default;
  explicit ByteView(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  int64_t size() const { return static_cast<int64_t>(bytes_.size()); }

  std::span<const uint8_t> chunk(int64_t offset) const {
    if (offset < 0 || offset >= size()) return {};
    return bytes_.subspan(static_cast<std::size_t>(offset));
  }

  // The bytes of [offset, offset + n) in place, without a copy.
  std::optional<std::span<const uint8_t>> sub(int64_t offset, int64_t n) const {
    if (!contains(offset, n)) return std::nullopt;
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(n));
  }

 private:
  std::span<const uint8_t> bytes_;
};

// The image being built during a load: the guest address it will live at and
// the bytes of every page a step has written; a page nothing wrote reads as
// zeros, as the fresh reservation holds them. The loader's data-processing
// steps read and write this buffer (writes are checked like reads); Load then
// writes the written pages into the reserved guest memory in one pass before
// the entry routine runs. Time and memory go with the bytes an image carries,
// not with the size it declares.
//
//   ImageBuffer image(0x10000000, 0x5000);
//   image.copy_in(0x1000, section_bytes);   // makes page 0x1000 (and more)
//   image.read32(0x4000)                    // 0: never written
class ImageBuffer : public CheckedReader<ImageBuffer> {
 public:
  static constexpr int64_t kPageSize = 0x1000;
  using Page = std::array<uint8_t, kPageSize>;

  ImageBuffer(uint32_t address, uint32_t size) : address_(address), size_(size) {}

  uint32_t address() const { return address_; }
  int64_t size() const { return size_; }

  std::span<const uint8_t> chunk(int64_t offset) const {
    if (offset < 0 || offset >= size_) return {};
    const int64_t page = offset - offset % kPageSize;
    const auto it = pages_.find(page);
    const uint8_t* bytes = it != pages_.end() ? it->second->data() : ZeroPage().data();
    return std::span<const uint8_t>(bytes + (offset - page),
                                    static_cast<std::size_t>(PageLength(page) - (offset - page)));
  }

  bool copy_in(int64_t offset, std::span<const uint8_t> source) {
    if (!contains(offset, static_cast<int64_t>(source.size()))) return false;
    for (std::size_t done = 0; done < source.size();) {
      const int64_t at = offset + static_cast<int64_t>(done);
      const int64_t page = at - at % kPageSize;
      const std::size_t n = std::min(source.size() - done, static_cast<std::size_t>(page + kPageSize - at));
      std::memcpy(WritablePage(page).data() + (at - page), source.data() + done, n);
      done += n;
    }
    return true;
  }

  bool write32(int64_t offset, uint32_t value) {
    std::array<uint8_t, 4> bytes{};
    StoreLe32(bytes.data(), value);
    return copy_in(offset, bytes);
  }

  // Calls write(offset, bytes) for every written page in address order, the
  // last one cut at the image's end; false as soon as one call is.
  template <class Write>
  bool for_each_written_page(Write write) const {
    for (const auto& [page, bytes] : pages_) {
      const auto piece = std::span<const uint8_t>(bytes->data(), static_cast<std::size_t>(PageLength(page)));
      if (!write(page, piece)) return false;
    }
    return true;
  }

 private:
  static const Page& ZeroPage() {
    static const Page zeros{};
    return zeros;
  }
  int64_t PageLength(int64_t page) const { return std::min(kPageSize, size_ - page); }
  Page& WritablePage(int64_t page) {
    auto& slot = pages_[page];
    if (!slot) slot = std::make_unique<Page>();
    return *slot;
  }

  uint32_t address_;
  int64_t size_;
  std::map<int64_t, std::unique_ptr<Page>> pages_;
};

}  // namespace pindrel
