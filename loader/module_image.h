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

class ModuleImage {
 public:
  explicit ModuleImage(ProcessPlatform& process) : process_(&process) {}
  virtual ~ModuleImage() = default;
  ModuleImage(const ModuleImage&) = delete;
  ModuleImage& operator=(const ModuleImage&) = delete;

  // Slot 0: frees the header copies and the section table; the image, if
  // any, stays mapped and imageBase keeps its value.
  virtual void Release();
  // Slot 1: deep copies of the header records and the same imageBase; both
  // objects then refer to the same mapped memory. Maps nothing.
  virtual std::unique_ptr<ModuleImage> Clone() const;
  // Slot 2: maps and starts the image in bytes; 1 on success, 0 on failure.
  // Nothing refers to bytes afterwards.
  virtual int Load(const ByteArray& bytes);
  // Slot 3: the detach call for a DLL, then the image memory is released.
  virtual void Unload();
  // Slot 4: the absolute address of the named export, or 0.
  virtual uint32_t FindExport(const Text& name) const;
  // Slot 5: imageBase + AddressOfEntryPoint while loaded, else 0.
  virtual uint32_t EntryPointAddress() const;
  // Slot 6: imageBase; 0 while no image is loaded.
  virtual uint32_t GetImageBase() const;

  // Slots 7 to 12 are the steps of Load; they are public so that each can be
  // driven on its own, but outside code uses slots 0 to 6.
  //
  // Slot 7: tests the headers in data[0, size) and copies them; a failed parse
  // leaves partial copies behind.
  virtual int ParseHeaders(const uint8_t* data, std::size_t size);
  // Slot 8: bytes to reserve: the aligned header block and the aligned end of
  // every section, VirtualSize taken whole; 0 when the image is unusable.
  virtual int ComputeImageSize();
  // Slot 9: the smallest multiple of alignment not below value; 0 for an
  // alignment of 0 or less or a negative value. Wide, so sums never wrap.
  virtual int64_t AlignUp(int64_t value, int64_t alignment);
  // Slot 10: copies the header block (plus one more section table's worth of
  // bytes) and the sections into image, then re-reads the header copies from
  // image. 0 when a copy or the re-read would leave the input or the image.
  virtual int MapSections(ImageBuffer& image, const uint8_t* data, std::size_t size);
  // Slot 11: adds image.address - ImageBase to every HIGHLOW target. 0 for a
  // malformed block or a target outside the image.
  virtual int ApplyRelocations(ImageBuffer& image);
  // Slot 12: resolves every import thunk through the process; 1 or 0.
  virtual int BindImports(ImageBuffer& image);

  // The header copies, for inspection.
  const pe::IMAGE_DOS_HEADER& dos_header() const { return dosHeader; }
  const pe::IMAGE_NT_HEADERS32& nt_headers() const { return ntHeaders; }
  const std::vector<pe::IMAGE_SECTION_HEADER>& section_table() const { return sections; }

 private:
  // Reads the header records from bytes (the input or the mapped image) into
  // the copies; 0 when they do not fit.
  int ReadHeaderCopies(ByteView bytes);
  void CallEntry(uint32_t image, uint32_t reason);

  ProcessPlatform* process_;
  uint32_t imageBase = 0;
  pe::IMAGE_DOS_HEADER dosHeader;
  pe::IMAGE_NT_HEADERS32 ntHeaders;
  std::vector<pe::IMAGE_SECTION_HEADER> sections;
  // Bytes of the mapped image that the loader and FindExport may touch: the
  // size that ComputeImageSize gave for the reservation.
  uint32_t imageSize_ = 0;
};

}  // namespace pindrel
