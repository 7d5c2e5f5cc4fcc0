// Field-by-field decoding of the PE/COFF records; offsets as Microsoft's
// PE/COFF format documents them for PE32 (not PE32+) images.
#include "loader/pe_format.h"

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
  std::size_t position() const { return at_; }

 private:
  std::span<const uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

void DecodeDosHeader(std::span<const uint8_t, kDosHeaderSize> bytes, IMAGE_DOS_HEADER& out) {
  FieldReader r(bytes);
  out.e_magic = r.u16();
  out.e_cblp = r.u16();
  out.e_cp = r.u16();
  out.e_crlc = r.u16();
  out.e_cparhdr = r.u16();
  out.e_minalloc = r.u16();
  out.e_maxalloc = r.u16();
  out.e_ss = r.u16();
  out.e_sp = r.u16();
  out.e_csum = r.u16();
  out.e_ip = r.u16();
  out.e_cs = r.u16();
  out.e_lfarlc = r.u16();
  out.e_ovno = r.u16();
  for (auto& w : out.e_res) w = r.u16();
  out.e_oemid = r.u16();
  out.e_oeminfo = r.u16();
  for (auto& w : out.e_res2) w = r.u16();
  out.e_lfanew = static_cast<int32_t>(r.u32());
}

void DecodeNtHeaders(std::span<const uint8_t, kNtHeadersSize> bytes, IMAGE_NT_HEADERS32& out) {
  FieldReader r(bytes);
  out.Signature = r.u32();
  IMAGE_FILE_HEADER& f = out.FileHeader;
  f.Machine = r.u16();
  f.NumberOfSections = r.u16();
  f.TimeDateStamp = r.u32();
  f.PointerToSymbolTable = r.u32();
  f.NumberOfSymbols = r.u32();
  f.SizeOfOptionalHeader = r.u16();
  f.Characteristics = r.u16();
  IMAGE_OPTIONAL_HEADER32& o = out.OptionalHeader;
  o.Magic = r.u16();
  o.MajorLinkerVersion = r.u8();
  o.MinorLinkerVersion = r.u8();
  o.SizeOfCode = r.u32();
  o.SizeOfInitializedData = r.u32();
  o.SizeOfUninitializedData = r.u32();
  o.AddressOfEntryPoint = r.u32();
  o.BaseOfCode = r.u32();
  o.BaseOfData = r.u32();
  o.ImageBase = r.u32();
  o.SectionAlignment = r.u32();
  o.FileAlignment = r.u32();
  o.MajorOperatingSystemVersion = r.u16();
  o.MinorOperatingSystemVersion = r.u16();
  o.MajorImageVersion = r.u16();
  o.MinorImageVersion = r.u16();
  o.MajorSubsystemVersion = r.u16();
  o.MinorSubsystemVersion = r.u16();
  o.Win32VersionValue = r.u32();
  o.SizeOfImage = r.u32();
  o.SizeOfHeaders = r.u32();
  o.CheckSum = r.u32();
  o.Subsystem = r.u16();
  o.DllCharacteristics = r.u16();
  o.SizeOfStackReserve = r.u32();
  o.SizeOfStackCommit = r.u32();
  o.SizeOfHeapReserve = r.u32();
  o.SizeOfHeapCommit = r.u32();
  o.LoaderFlags = r.u32();
  o.NumberOfRvaAndSizes = r.u32();
  for (auto& d : o.DataDirectory) {
    d.VirtualAddress = r.u32();
    d.Size = r.u32();
  }
}

void DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize> bytes,
                         IMAGE_SECTION_HEADER& out) {
  FieldReader r(bytes);
  for (auto& c : out.Name) c = r.u8();
  out.VirtualSize = r.u32();
  out.VirtualAddress = r.u32();
  out.SizeOfRawData = r.u32();
  out.PointerToRawData = r.u32();
  out.PointerToRelocations = r.u32();
  out.PointerToLinenumbers = r.u32();
  out.NumberOfRelocations = r.u16();
  out.NumberOfLinenumbers = r.u16();
  out.Characteristics = r.u32();
}

void DecodeExportDirectory(std::span<const uint8_t, kExportDirectorySize> bytes,
                           IMAGE_EXPORT_DIRECTORY& out) {
  FieldReader r(bytes);
  out.Characteristics = r.u32();
  out.TimeDateStamp = r.u32();
  out.MajorVersion = r.u16();
  out.MinorVersion = r.u16();
  out.Name = r.u32();
  out.Base = r.u32();
  out.NumberOfFunctions = r.u32();
  out.NumberOfNames = r.u32();
  out.AddressOfFunctions = r.u32();
  out.AddressOfNames = r.u32();
  out.AddressOfNameOrdinals = r.u32();
}

void DecodeImportDescriptor(std::span<const uint8_t, kImportDescriptorSize> bytes,
                            IMAGE_IMPORT_DESCRIPTOR& out) {
  FieldReader r(bytes);
  out.OriginalFirstThunk = r.u32();
  out.TimeDateStamp = r.u32();
  out.ForwarderChain = r.u32();
  out.Name = r.u32();
  out.FirstThunk = r.u32();
}

void DecodeBaseRelocation(std::span<const uint8_t, kBaseRelocationSize> bytes,
                          IMAGE_BASE_RELOCATION& out) {
  FieldReader r(bytes);
  out.VirtualAddress = r.u32();
  out.SizeOfBlock = r.u32();
}

}  // namespace pindrel::pe
