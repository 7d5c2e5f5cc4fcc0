// The steps of ModuleImage, in the order Load runs them. Header fields are
// widened to 64 bits before any sum, so no offset wraps around 32 bits; a
// field that must be an offset or a size and has its top bit set (a negative
// value when read as signed 32 bits, as the PE/COFF fields are summed here) is
// malformed and fails the step. RVAs are offsets into the image buffer and
// every one of them is checked against it before use.
#include "loader/module_image.h"

#include <algorithm>
#include <string>

#include "loader/mapped_image_view.h"

namespace pindrel {

namespace {

constexpr int64_t kNtHeadersSize = static_cast<int64_t>(pe::kNtHeadersSize);
constexpr int64_t kSectionHeaderSize = static_cast<int64_t>(pe::kSectionHeaderSize);

// A 32-bit field read as the signed value the sums are formed from.
int64_t Signed(uint32_t field) { return static_cast<int32_t>(field); }

int64_t SectionRecordOffset(int32_t e_lfanew, int64_t index) {
  return static_cast<int64_t>(e_lfanew) + kNtHeadersSize + kSectionHeaderSize * index;
}

// Reads the count records of the section table behind the NT headers at
// e_lfanew into out; 0 when the table does not fit in bytes. The one decoder
// of the table, for the input and for the mapped image alike.
template <class Reader>
int ReadSectionTable(const Reader& bytes, int32_t e_lfanew, uint16_t count,
                     std::vector<pe::IMAGE_SECTION_HEADER>& out) {
  out.assign(count, pe::IMAGE_SECTION_HEADER{});
  for (uint16_t i = 0; i < count; ++i) {
    const auto record = bytes.template fixed<pe::kSectionHeaderSize>(SectionRecordOffset(e_lfanew, i));
    if (!record) return 0;
    pe::DecodeSectionHeader(*record, out[i]);
  }
  return 1;
}

}  // namespace

void ModuleImage::Release() {
  dosHeader_ = {};
  ntHeaders_ = {};
  sections_.clear();
  sections_.shrink_to_fit();
}

std::unique_ptr<ModuleImage> ModuleImage::Clone() const {
  auto copy = std::make_unique<ModuleImage>(*process_);
  copy->imageBase_ = imageBase_;
  copy->dosHeader_ = dosHeader_;
  copy->ntHeaders_ = ntHeaders_;
  copy->sections_ = sections_;
  copy->imageSize_ = imageSize_;
  return copy;
}

bool ModuleImage::IsDll() const {
  return (ntHeaders_.FileHeader.Characteristics & pe::kFileDll) != 0;
}

int ModuleImage::Load(const ByteArray& bytes) {
  if (imageBase_ != 0) return 0;
  const uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
  if (ParseHeaders(data, size) == 0) return 0;
  const int computed_size = ComputeImageSize();
  if (computed_size == 0) return 0;

  const auto image_size = static_cast<uint32_t>(computed_size);
  uint32_t image = process_->AllocateImage(ntHeaders_.OptionalHeader.ImageBase, image_size);
  if (image == 0) image = process_->AllocateImage(0, image_size);
  if (image == 0) return 0;

  // One cleanup path for every failure after the reservation.
  auto fail = [&] {
    process_->FreeImage(image);
    return 0;
  };

  ImageBuffer buffer(image, image_size);
  if (MapSections(buffer, data, size) == 0) return fail();
  if (Signed(ntHeaders_.OptionalHeader.DataDirectory[pe::kDirectoryBaseRelocation].Size) > 0 &&
      ApplyRelocations(buffer) == 0)
    return fail();
  if (BindImports(buffer) == 0) return fail();
  if (!CopyImageToProcess(buffer)) return fail();

  if (IsDll()) {
    const uint32_t entry = ntHeaders_.OptionalHeader.AddressOfEntryPoint;
    // An entry point of 0 means the DLL has no entry routine (PE/COFF: "for
    // DLLs, an entry point is optional"), as for a resource-only DLL; calling
    // image + 0 would run the DOS header as code. An entry outside the image
    // would run whatever lies there.
    if (entry != 0) {
      if (entry >= image_size) return fail();
      if (CallEntry(image, pe::kDllProcessAttach) == 0) {
        // A routine that refused the attach hears of the detach; one that
        // faulted or ran out of time is not run again, since the same code
        // would only fail (or spin to the limit) once more.
        if (process_->LastCallReturned()) CallEntry(image, pe::kDllProcessDetach);
        return fail();
      }
    }
  }

  imageSize_ = image_size;
  imageBase_ = image;
  return 1;
}

bool ModuleImage::CopyImageToProcess(const ImageBuffer& image) {
  // The reservation is zero-filled already; only the pages a step wrote are
  // written into the process.
  return image.for_each_written_page([&](int64_t offset, std::span<const uint8_t> bytes) {
    return process_->CopyToProcess(image.address() + static_cast<uint32_t>(offset), bytes);
  });
}

uint32_t ModuleImage::CallEntry(uint32_t image, uint32_t reason) {
  const uint32_t entry = ntHeaders_.OptionalHeader.AddressOfEntryPoint;
  if (entry == 0) return 0;
  return CallAddress(*process_, image + entry, 0, reason, 0);
}

void ModuleImage::Unload() {
  if (imageBase_ == 0) return;
  if (IsDll()) CallEntry(imageBase_, pe::kDllProcessDetach);
  process_->FreeImage(imageBase_);
  imageBase_ = 0;
  imageSize_ = 0;
}

uint32_t ModuleImage::FindExport(const Text& name) const {
  if (imageBase_ == 0) return 0;
  // No export carries the empty name; a table entry that is empty is not a
  // name that a caller can mean.
  if (name.empty()) return 0;
  const pe::IMAGE_DATA_DIRECTORY& directory =
      ntHeaders_.OptionalHeader.DataDirectory[pe::kDirectoryExport];
  if (directory.Size == 0) return 0;

  const MappedImageView image(*process_, imageBase_, imageSize_);
  const auto directory_bytes = image.fixed<pe::kExportDirectorySize>(directory.VirtualAddress);
  if (!directory_bytes) return 0;
  pe::IMAGE_EXPORT_DIRECTORY exports;
  pe::DecodeExportDirectory(*directory_bytes, exports);

  const int64_t functions = exports.NumberOfFunctions;
  const int64_t names = exports.NumberOfNames;
  if (names == 0 || functions == 0) return 0;
  // A table that does not fit in the image is malformed (this also bounds
  // counts with the top bit set).
  if (!image.contains(exports.AddressOfFunctions, functions * 4)) return 0;

  // So must the name-ordinal table, one 16-bit index per name: this bounds
  // the name walk below by the image's size.
  if (!image.contains(exports.AddressOfNameOrdinals, names * 2)) return 0;

  // The names are read one after another from the first one, as they lie in
  // the name area; the name-pointer table is consulted for its first entry.
  const auto first_name = image.read32(exports.AddressOfNames);
  if (!first_name) return 0;
  int64_t name_at = *first_name;
  for (int64_t i = 0; i < names; ++i) {
    // A zero byte is an empty name, which no lookup asks for: a run of them
    // is passed in one step rather than name by name.
    const int64_t empty_names = image.zero_run(name_at);
    if (empty_names > 0) {
      i += empty_names - 1;
      name_at += empty_names;
      continue;
    }
    const auto candidate = image.c_string(name_at);
    if (!candidate) return 0;
    name_at += static_cast<int64_t>(candidate->size()) + 1;
    if (*candidate != name.bytes()) continue;

    const auto index = image.read16(static_cast<int64_t>(exports.AddressOfNameOrdinals) + 2 * i);
    if (!index || *index >= functions) return 0;
    const auto rva = image.read32(static_cast<int64_t>(exports.AddressOfFunctions) + 4 * int64_t{*index});
    // An empty slot of the address table names no function, and an address
    // outside the image is not this image's code.
    if (!rva || *rva == 0 || *rva >= imageSize_) return 0;
    // A forwarder ("OTHER.Name") points into the export directory itself; it
    // is text, not code, and calling it would run the text. Such exports are
    // refused rather than returned.
    const int64_t directory_end = static_cast<int64_t>(directory.VirtualAddress) + directory.Size;
    if (*rva >= directory.VirtualAddress && *rva < directory_end) return 0;
    return imageBase_ + *rva;
  }
  return 0;
}

uint32_t ModuleImage::EntryPointAddress() const {
  if (imageBase_ == 0) return 0;
  return imageBase_ + ntHeaders_.OptionalHeader.AddressOfEntryPoint;
}

uint32_t ModuleImage::GetImageBase() const { return imageBase_; }

int ModuleImage::ParseHeaders(const uint8_t* data, std::size_t size) {
  const ByteView input(std::span<const uint8_t>(data, data == nullptr ? 0 : size));
  const auto dos = input.fixed<pe::kDosHeaderSize>(0);
  if (!dos) return 0;
  pe::DecodeDosHeader(*dos, dosHeader_);
  if (dosHeader_.e_magic != pe::kDosSignature) return 0;
  if (dosHeader_.e_lfanew < 0) return 0;

  const auto nt = input.fixed<pe::kNtHeadersSize>(dosHeader_.e_lfanew);
  if (!nt) return 0;
  pe::DecodeNtHeaders(*nt, ntHeaders_);
  if (ntHeaders_.Signature != pe::kNtSignature) return 0;
  if ((ntHeaders_.FileHeader.Characteristics & pe::kFileExecutableImage) == 0) return 0;
  if (ntHeaders_.FileHeader.SizeOfOptionalHeader != pe::kOptionalHeader32Size) return 0;
  // The count is a signed 16-bit value on the platform; 32768 and more is
  // malformed.
  const uint16_t count = ntHeaders_.FileHeader.NumberOfSections;
  if (count >= 0x8000) return 0;
  if (ReadSectionTable(input, dosHeader_.e_lfanew, count, sections_) == 0) return 0;

  for (const auto& section : sections_) {
    const int64_t pointer = Signed(section.PointerToRawData);
    const int64_t raw = Signed(section.SizeOfRawData);
    if (pointer < 0 || raw < 0) return 0;
    if (pointer + raw > input.size()) return 0;
  }
  return 1;
}

int ModuleImage::ComputeImageSize() {
  const pe::IMAGE_OPTIONAL_HEADER32& optional = ntHeaders_.OptionalHeader;
  const int64_t alignment = Signed(optional.SectionAlignment);
  const int64_t headers = Signed(optional.SizeOfHeaders);
  if (headers < 0) return 0;
  int64_t size = AlignUp(headers, alignment);
  for (const auto& section : sections_) {
    const int64_t address = Signed(section.VirtualAddress);
    const int64_t raw = Signed(section.SizeOfRawData);
    const int64_t virtual_size = Signed(section.VirtualSize);
    if (address < 0 || raw < 0 || virtual_size < 0) return 0;
    size = std::max(size, AlignUp(address + std::max(raw, virtual_size), alignment));
  }
  // The size is handed on as a signed 32-bit count.
  if (size <= 0 || size > 0x7FFFFFFF) return 0;
  return static_cast<int>(size);
}

int ModuleImage::MapSections(ImageBuffer& image, const uint8_t* data, std::size_t size) {
  const ByteView input(std::span<const uint8_t>(data, data == nullptr ? 0 : size));

  // The header block plus one more section table's worth of bytes, as far
  // as the input and the image hold them: the extra table's worth reaches
  // past the headers and, in a small file, past its end, where there is
  // nothing to copy (the image keeps its zeros there).
  const int64_t header_bytes = Signed(ntHeaders_.OptionalHeader.SizeOfHeaders) +
                               kSectionHeaderSize * ntHeaders_.FileHeader.NumberOfSections;
  if (header_bytes < 0) return 0;
  const int64_t copied = std::min({header_bytes, input.size(), image.size()});
  if (!image.copy_in(0, *input.sub(0, copied))) return 0;

  for (const auto& section : sections_) {
    if (section.VirtualAddress == 0) break;
    const auto raw = input.sub(section.PointerToRawData, section.SizeOfRawData);
    if (!raw || !image.copy_in(section.VirtualAddress, *raw)) return 0;
  }

  return ReadHeaderCopies(image);
}

int ModuleImage::ReadHeaderCopies(const ImageBuffer& bytes) {
  const auto dos = bytes.fixed<pe::kDosHeaderSize>(0);
  if (!dos) return 0;
  pe::DecodeDosHeader(*dos, dosHeader_);
  if (dosHeader_.e_lfanew < 0) return 0;
  const auto nt = bytes.fixed<pe::kNtHeadersSize>(dosHeader_.e_lfanew);
  if (!nt) return 0;
  pe::DecodeNtHeaders(*nt, ntHeaders_);
  const uint16_t count = ntHeaders_.FileHeader.NumberOfSections;
  if (count >= 0x8000) return 0;
  return ReadSectionTable(bytes, dosHeader_.e_lfanew, count, sections_);
}

int ModuleImage::ApplyRelocations(ImageBuffer& image) {
  const uint32_t delta = image.address() - ntHeaders_.OptionalHeader.ImageBase;  // modulo 2^32
  int64_t p = ntHeaders_.OptionalHeader.DataDirectory[pe::kDirectoryBaseRelocation].VirtualAddress;
  // The directory's Size is not a bound: the table ends at the first block
  // whose VirtualAddress is 0. Each block moves p on by at least 8 bytes and
  // must lie inside the image, so the walk ends.
  for (;;) {
    const auto header = image.fixed<pe::kBaseRelocationSize>(p);
    if (!header) return 0;
    pe::IMAGE_BASE_RELOCATION block;
    pe::DecodeBaseRelocation(*header, block);
    if (block.VirtualAddress == 0) return 1;
    const int64_t block_size = Signed(block.SizeOfBlock);
    if (block_size < static_cast<int64_t>(pe::kBaseRelocationSize)) return 0;
    if (!image.contains(p, block_size)) return 0;
    const int64_t count = (block_size - 8) / 2;
    for (int64_t i = 0; i < count; ++i) {
      const uint16_t entry = *image.read16(p + 8 + 2 * i);
      if ((entry >> 12) != pe::kRelocationHighLow) continue;
      const int64_t target = static_cast<int64_t>(block.VirtualAddress) + (entry & 0x0FFF);
      const auto value = image.read32(target);
      if (!value || !image.write32(target, *value + delta)) return 0;
    }
    p += block_size;
  }
}

int ModuleImage::BindImports(ImageBuffer& image) {
  const uint32_t rva = ntHeaders_.OptionalHeader.DataDirectory[pe::kDirectoryImport].VirtualAddress;
  if (rva == 0) return 1;
  // Each record moves on by 20 bytes and must lie in the image; so does each
  // thunk by 4 bytes: both walks end.
  for (int64_t at = rva;; at += static_cast<int64_t>(pe::kImportDescriptorSize)) {
    const auto record = image.fixed<pe::kImportDescriptorSize>(at);
    if (!record) return 0;
    pe::IMAGE_IMPORT_DESCRIPTOR descriptor;
    pe::DecodeImportDescriptor(*record, descriptor);
    if (descriptor.FirstThunk == 0) return 1;

    // The names are copies: the thunk writes below change the buffer.
    const auto module = image.c_string(descriptor.Name);
    if (!module) return 0;
    uint32_t handle = process_->FindModule(*module);
    if (handle == 0) handle = process_->LoadModule(*module);
    if (handle == 0) return 0;

    for (int64_t thunk = descriptor.FirstThunk;; thunk += 4) {
      const auto value = image.read32(thunk);
      if (!value) return 0;
      if (*value == 0) break;
      uint32_t address = 0;
      if ((*value & pe::kOrdinalFlag32) != 0) {
        address = process_->FindProcedureByOrdinal(handle, static_cast<uint16_t>(*value & 0xFFFF));
      } else {
        // IMAGE_IMPORT_BY_NAME: a 16-bit hint, then the name.
        const auto procedure = image.c_string(static_cast<int64_t>(*value) + 2);
        if (!procedure) return 0;
        address = process_->FindProcedure(handle, *procedure);
      }
      if (address == 0) return 0;
      if (!image.write32(thunk, address)) return 0;
    }
  }
}

}  // namespace pindrel
