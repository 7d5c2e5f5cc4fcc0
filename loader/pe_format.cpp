// Field-by-field decoding of the PE/COFF records; offsets as Microsoft's
// PE/COFF format documents them for PE32 (not PE32+) images.
#include "loader/pe_format.h"

#include "loader/byte_view.h"

namespace pindrel::pe {

namespace {

// A cursor over one record: each call takes the next field in order.
class FieldReader {
 public:
  explicit FieldReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint8_t u8() { return bytes_[at_++]; }
  uint16_t u16() {
    const uint16_t v = LoadLe16(bytes_.data() + at_);
    at_ += 2;
    return v;
  }
  uint32_t u32() {
    const uint32_t v = LoadLe32(bytes_.data() + at_);
    at_ += 4;
    return v;
  }

 private:
  std::span<const uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

void DecodeDosHeader(std::span<const uint8_t, kDosHeaderSize> bytes, IMAGE_DOS_HEADER& out) {
  FieldReader field(bytes);
  out.e_magic = field.u16();
  out.e_cblp = field.u16();
  out.e_cp = field.u16();
  out.e_crlc = field.u16();
  out.e_cparhdr = field.u16();
  out.e_minalloc = field.u16();
  out.e_maxalloc = field.u16();
  out.e_ss = field.u16();
  out.e_sp = field.u16();
  out.e_csum = field.u16();
  out.e_ip = field.u16();
  out.e_cs = field.u16();
  out.e_lfarlc = field.u16();
  out.e_ovno = field.u16();
  for (auto& w : out.e_res) w = field.u16();
  out.e_oemid = field.u16();
  out.e_oeminfo = field.u16();
  for (auto& w : out.e_res2) w = field.u16();
  out.e_lfanew = static_cast<int32_t>(field.u32());
}

void DecodeNtHeaders(std::span<const uint8_t, kNtHeadersSize> bytes, IMAGE_NT_HEADERS32& out) {
  FieldReader field(bytes);
  out.Signature = field.u32();
  IMAGE_FILE_HEADER& file = out.FileHeader;
  file.Machine = field.u16();
  file.NumberOfSections = field.u16();
  file.TimeDateStamp = field.u32();
  file.PointerToSymbolTable = field.u32();
  file.NumberOfSymbols = field.u32();
  file.SizeOfOptionalHeader = field.u16();
  file.Characteristics = field.u16();
  IMAGE_OPTIONAL_HEADER32& optional = out.OptionalHeader;
  optional.Magic = field.u16();
  optional.MajorLinkerVersion = field.u8();
  optional.MinorLinkerVersion = field.u8();
  optional.SizeOfCode = field.u32();
  optional.SizeOfInitializedData = field.u32();
  optional.SizeOfUninitializedData = field.u32();
  optional.AddressOfEntryPoint = field.u32();
  optional.BaseOfCode = field.u32();
  optional.BaseOfData = field.u32();
  optional.ImageBase = field.u32();
  optional.SectionAlignment = field.u32();
  optional.FileAlignment = field.u32();
  optional.MajorOperatingSystemVersion = field.u16();
  optional.MinorOperatingSystemVersion = field.u16();
  optional.MajorImageVersion = field.u16();
  optional.MinorImageVersion = field.u16();
  optional.MajorSubsystemVersion = field.u16();
  optional.MinorSubsystemVersion = field.u16();
  optional.Win32VersionValue = field.u32();
  optional.SizeOfImage = field.u32();
  optional.SizeOfHeaders = field.u32();
  optional.CheckSum = field.u32();
  optional.Subsystem = field.u16();
  optional.DllCharacteristics = field.u16();
  optional.SizeOfStackReserve = field.u32();
  optional.SizeOfStackCommit = field.u32();
  optional.SizeOfHeapReserve = field.u32();
  optional.SizeOfHeapCommit = field.u32();
  optional.LoaderFlags = field.u32();
  optional.NumberOfRvaAndSizes = field.u32();
  for (auto& d : optional.DataDirectory) {
    d.VirtualAddress = field.u32();
    d.Size = field.u32();
  }
}

void DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize> bytes,
                         IMAGE_SECTION_HEADER& out) {
  FieldReader field(bytes);
  for (auto& c : out.Name) c = field.u8();
  out.VirtualSize = field.u32();
  out.VirtualAddress = field.u32();
  out.SizeOfRawData = field.u32();
  out.PointerToRawData = field.u32();
  out.PointerToRelocations = field.u32();
  out.PointerToLinenumbers = field.u32();
  out.NumberOfRelocations = field.u16();
  out.NumberOfLinenumbers = field.u16();
  out.Characteristics = field.u32();
}

void DecodeExportDirectory(std::span<const uint8_t, kExportDirectorySize> bytes,
                           IMAGE_EXPORT_DIRECTORY& out) {
  FieldReader field(bytes);
  out.Characteristics = field.u32();
  out.TimeDateStamp = field.u32();
  out.MajorVersion = field.u16();
  out.MinorVersion = field.u16();
  out.Name = field.u32();
  out.Base = field.u32();
  out.NumberOfFunctions = field.u32();
  out.NumberOfNames = field.u32();
  out.AddressOfFunctions = field.u32();
  out.AddressOfNames = field.u32();
  out.AddressOfNameOrdinals = field.u32();
}

void DecodeImportDescriptor(std::span<const uint8_t, kImportDescriptorSize> bytes,
                            IMAGE_IMPORT_DESCRIPTOR& out) {
  FieldReader field(bytes);
  out.OriginalFirstThunk = field.u32();
  out.TimeDateStamp = field.u32();
  out.ForwarderChain = field.u32();
  out.Name = field.u32();
  out.FirstThunk = field.u32();
}

void DecodeBaseRelocation(std::span<const uint8_t, kBaseRelocationSize> bytes,
                          IMAGE_BASE_RELOCATION& out) {
  FieldReader field(bytes);
  out.VirtualAddress = field.u32();
  out.SizeOfBlock = field.u32();
}

}  // namespace pindrel::pe
