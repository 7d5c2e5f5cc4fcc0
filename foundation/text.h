// The three value types every part of Pindrel handles texts and bytes with.
//
//   Text      bytes in code page 936 (GBK); never holds a zero byte. Positions
//             count from 1, -1 means "not found". Empty and absent are the same.
//   ByteArray a counted byte sequence that may hold zero bytes.
//   TextList  an ordered list of Texts, indexed from 1 by its callers.
//
// A Text is deliberately not convertible to or from std::string: UTF-8 strings
// live in other parts of the code (Qt, libcurl, iconv) and must cross over only
// through an explicit call (Text::from_bytes, local_text, the GUI layer).
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/byte_buffer.h"

namespace pindrel {

class ByteArray;

class Text {
 public:
  Text() = default;

  // Text::from_bytes("A\0B") == "A": stops at the first zero byte, so the
  // no-zero rule holds whatever the source holds.
  static Text from_bytes(std::string_view bytes);
  // For bytes the caller already knows to be free of zero bytes (a cut of
  // another Text); checked in debug builds.
  static Text from_clean_bytes(std::string_view bytes);
  // Text::from_bytes(std::move(body)): takes over the ByteArray's storage and
  // cuts it at its first zero byte in place; no byte is copied.
  static Text from_bytes(ByteArray&& bytes);

  // Rewrites the bytes where they are: rewrite(char* data, std::size_t size)
  // returns the new length, at most size. A zero byte it may have written
  // ends the Text there.
  template <class Rewrite>
  void rewrite_in_place(Rewrite&& rewrite) {
    bytes_.truncate(rewrite(bytes_.data(), bytes_.size()));
    cut_at_zero();
  }

  std::string_view bytes() const { return bytes_.view(); }
  const char* c_str() const { return bytes_.data(); }
  int length() const { return static_cast<int>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  // The byte at a 1-based position, as an unsigned value; 0 outside the Text.
  unsigned char byte_at(int position) const;

  friend bool operator==(const Text&, const Text&) = default;

 private:
  void cut_at_zero();

  ByteBuffer bytes_;
};

class ByteArray {
 public:
  ByteArray() = default;
  explicit ByteArray(std::string_view bytes) : bytes_(bytes) {}
  static ByteArray from_view(std::string_view bytes) { return ByteArray(bytes); }

  std::string_view view() const { return bytes_.view(); }
  const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
  unsigned char* mutable_data() { return reinterpret_cast<unsigned char*>(bytes_.data()); }
  int length() const { return static_cast<int>(bytes_.size()); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  // Appends in place; used where a value is being built up (an HTTP body).
  void append(std::string_view more) { bytes_.append(more); }
  // Gives up the storage; the ByteArray is empty afterwards.
  ByteBuffer release() && { return std::move(bytes_); }

  friend bool operator==(const ByteArray&, const ByteArray&) = default;

 private:
  ByteBuffer bytes_;
};

class TextList {
 public:
  TextList() = default;
  TextList(std::initializer_list<Text> items) : items_(items) {}

  void push_back(Text t) { items_.push_back(std::move(t)); }
  int count() const { return static_cast<int>(items_.size()); }
  // 1-based, as the callers count; an index outside 1..count gives the empty Text.
  Text at(int index) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  friend bool operator==(const TextList&, const TextList&) = default;

 private:
  std::vector<Text> items_;
};

inline int list_count(const TextList& list) { return list.count(); }

}  // namespace pindrel
