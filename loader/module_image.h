// ModuleImage: maps a 32-bit DLL image held in a byte array into a process
// (ProcessPlatform) without a file and without the system's loader: it tests
// the headers, reserves memory, copies headers and sections, applies base
// relocations, binds imports and calls the entry routine.
//
//   EmulatedProcess& process = ...;
//   ModuleImage image(process);
//   if (image.Load(dll_bytes) == 1) {
//     uint32_t f = image.FindExport(Text::from_bytes("SkinH_AttachRes"));
//     if (f != 0) CallAddress(process, f, data, length);
//   }
//
// Results are 1 and 0; nothing throws. No per-section protection, TLS
// callbacks, delay-load or bound imports, exception tables or module release:
// the loader does exactly the steps below. Every read of the input and every
// read or write of the image is bounded; a step that would leave them fails
// the load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/text.h"
#include "loader/byte_view.h"
#include "loader/pe_format.h"
#include "loader/process_platform.h"

namespace pindrel {

// The smallest multiple of alignment not below value; 0 for an alignment of 0
// or less or a negative value. Wide, so sums of 32-bit fields never wrap.
//   AlignUp(0x1001, 0x1000) == 0x2000, AlignUp(0x1000, 0x1000) == 0x1000
constexpr int64_t AlignUp(int64_t value, int64_t alignment) {
  if (alignment <= 0 || value < 0) return 0;
  return (value + alignment - 1) / alignment * alignment;
}

class ModuleImage {
 public:
  explicit ModuleImage(ProcessPlatform& process) : process_(&process) {}
  ModuleImage(const ModuleImage&) = delete;
  ModuleImage& operator=(const ModuleImage&) = delete;

  // Frees the header copies and the section table; the image, if any, stays
  // mapped and imageBase keeps its value.
  void Release();
  // Deep copies of the header records and the same imageBase; both objects
  // then refer to the same mapped memory. Maps nothing.
  std::unique_ptr<ModuleImage> Clone() const;
  // Maps and starts the image in bytes; 1 on success, 0 on failure. Nothing
  // refers to bytes afterwards.
  int Load(const ByteArray& bytes);
  // The detach call for a DLL, then the image memory is released.
  void Unload();
  // The absolute address of the named export, or 0.
  uint32_t FindExport(const Text& name) const;
  // imageBase + AddressOfEntryPoint while loaded, else 0.
  uint32_t EntryPointAddress() const;
  // imageBase; 0 while no image is loaded.
  uint32_t GetImageBase() const;

  // ---- The steps of Load, in the order it runs them --------------------
  // Public so that each can be driven on its own; outside code uses the
  // operations above.
  //
  // Tests the headers in data[0, size) and copies them; a failed parse
  // leaves partial copies behind.
  int ParseHeaders(const uint8_t* data, std::size_t size);
  // Bytes to reserve: the aligned header block and the aligned end of every
  // section, VirtualSize taken whole; 0 when the image is unusable.
  int ComputeImageSize();
  // Copies the header block (plus one more section table's worth of bytes)
  // and the sections into image, then re-reads the header copies from image.
  // 0 when a copy or the re-read would leave the input or the image.
  int MapSections(ImageBuffer& image, const uint8_t* data, std::size_t size);
  // Adds image.address() - ImageBase to every HIGHLOW target. 0 for a malformed
  // block or a target outside the image.
  int ApplyRelocations(ImageBuffer& image);
  // Resolves every import thunk through the process; 1 or 0.
  int BindImports(ImageBuffer& image);

  // The header copies, for inspection.
  const pe::IMAGE_DOS_HEADER& dos_header() const { return dosHeader_; }
  const pe::IMAGE_NT_HEADERS32& nt_headers() const { return ntHeaders_; }
  const std::vector<pe::IMAGE_SECTION_HEADER>& section_table() const { return sections_; }

 private:
  // Reads the header records from the image being built into the copies;
  // 0 when they do not fit.
  int ReadHeaderCopies(const ImageBuffer& bytes);
  // Writes the image buffer into the reserved guest memory.
  bool CopyImageToProcess(const ImageBuffer& image);
  // The entry routine's call with reason; its result, or 0 when the call
  // did not return (faulted or ran out of time: see LastCallReturned).
  uint32_t CallEntry(uint32_t image, uint32_t reason);
  bool IsDll() const;

  ProcessPlatform* process_;
  uint32_t imageBase_ = 0;
  pe::IMAGE_DOS_HEADER dosHeader_;
  pe::IMAGE_NT_HEADERS32 ntHeaders_;
  std::vector<pe::IMAGE_SECTION_HEADER> sections_;
  // Bytes of the mapped image that the loader and FindExport may touch: the
  // size that ComputeImageSize gave for the reservation.
  uint32_t imageSize_ = 0;
};

}  // namespace pindrel
