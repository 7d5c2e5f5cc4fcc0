// PE/COFF header records of a 32-bit image, decoded field by field from
// little-endian bytes (the loads live with the readers, loader/byte_view.h) (Microsoft PE/COFF format, "Optional Header (Image Only)"
// and "Section Table"). Nothing here lays a struct over raw bytes: every
// record is filled from a byte span of exactly its size, so a record can never
// be read from fewer bytes than it holds.
//
//   IMAGE_DOS_HEADER dos;
//   DecodeDosHeader(std::span<const uint8_t, 64>(data, 64), dos);
//   dos.e_magic == kDosSignature  // "MZ"
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pindrel::pe {

inline constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
inline constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
inline constexpr uint16_t kFileExecutableImage = 0x0002;
inline constexpr uint16_t kFileDll = 0x2000;
inline constexpr uint16_t kOptionalHeader32Size = 224;
inline constexpr uint32_t kOrdinalFlag32 = 0x80000000u;
inline constexpr uint16_t kRelocationHighLow = 3;
inline constexpr int kDirectoryExport = 0;
inline constexpr int kDirectoryImport = 1;
inline constexpr int kDirectoryBaseRelocation = 5;
inline constexpr int kNumberOfDirectoryEntries = 16;
inline constexpr uint32_t kDllProcessDetach = 0;
inline constexpr uint32_t kDllProcessAttach = 1;

inline constexpr std::size_t kDosHeaderSize = 64;
inline constexpr std::size_t kNtHeadersSize = 248;
inline constexpr std::size_t kSectionHeaderSize = 40;
inline constexpr std::size_t kExportDirectorySize = 40;
inline constexpr std::size_t kImportDescriptorSize = 20;
inline constexpr std::size_t kBaseRelocationSize = 8;

struct IMAGE_DOS_HEADER {
  uint16_t e_magic = 0;
  uint16_t e_cblp = 0;
  uint16_t e_cp = 0;
  uint16_t e_crlc = 0;
  uint16_t e_cparhdr = 0;
  uint16_t e_minalloc = 0;
  uint16_t e_maxalloc = 0;
  uint16_t e_ss = 0;
  uint16_t e_sp = 0;
  uint16_t e_csum = 0;
  uint16_t e_ip = 0;
  uint16_t e_cs = 0;
  uint16_t e_lfarlc = 0;
  uint16_t e_ovno = 0;
  std::array<uint16_t, 4> e_res{};
  uint16_t e_oemid = 0;
  uint16_t e_oeminfo = 0;
  std::array<uint16_t, 10> e_res2{};
  int32_t e_lfanew = 0;  // signed: a negative offset is malformed
  friend bool operator==(const IMAGE_DOS_HEADER&, const IMAGE_DOS_HEADER&) = default;
};

struct IMAGE_FILE_HEADER {
  uint16_t Machine = 0;
  uint16_t NumberOfSections = 0;
  uint32_t TimeDateStamp = 0;
  uint32_t PointerToSymbolTable = 0;
  uint32_t NumberOfSymbols = 0;
  uint16_t SizeOfOptionalHeader = 0;
  uint16_t Characteristics = 0;
  friend bool operator==(const IMAGE_FILE_HEADER&, const IMAGE_FILE_HEADER&) = default;
};

struct IMAGE_DATA_DIRECTORY {
  uint32_t VirtualAddress = 0;
  uint32_t Size = 0;
  friend bool operator==(const IMAGE_DATA_DIRECTORY&, const IMAGE_DATA_DIRECTORY&) = default;
};

struct IMAGE_OPTIONAL_HEADER32 {
  uint16_t Magic = 0;
  uint8_t MajorLinkerVersion = 0;
  uint8_t MinorLinkerVersion = 0;
  uint32_t SizeOfCode = 0;
  uint32_t SizeOfInitializedData = 0;
  uint32_t SizeOfUninitializedData = 0;
  uint32_t AddressOfEntryPoint = 0;
  uint32_t BaseOfCode = 0;
  uint32_t BaseOfData = 0;
  uint32_t ImageBase = 0;
  uint32_t SectionAlignment = 0;
  uint32_t FileAlignment = 0;
  uint16_t MajorOperatingSystemVersion = 0;
  uint16_t MinorOperatingSystemVersion = 0;
  uint16_t MajorImageVersion = 0;
  uint16_t MinorImageVersion = 0;
  uint16_t MajorSubsystemVersion = 0;
  uint16_t MinorSubsystemVersion = 0;
  uint32_t Win32VersionValue = 0;
  uint32_t SizeOfImage = 0;
  uint32_t SizeOfHeaders = 0;
  uint32_t CheckSum = 0;
  uint16_t Subsystem = 0;
  uint16_t DllCharacteristics = 0;
  uint32_t SizeOfStackReserve = 0;
  uint32_t SizeOfStackCommit = 0;
  uint32_t SizeOfHeapReserve = 0;
  uint32_t SizeOfHeapCommit = 0;
  uint32_t LoaderFlags = 0;
  uint32_t NumberOfRvaAndSizes = 0;
  std::array<IMAGE_DATA_DIRECTORY, kNumberOfDirectoryEntries> DataDirectory{};
  friend bool operator==(const IMAGE_OPTIONAL_HEADER32&, const IMAGE_OPTIONAL_HEADER32&) = default;
};

struct IMAGE_NT_HEADERS32 {
  uint32_t Signature = 0;
  IMAGE_FILE_HEADER FileHeader;
  IMAGE_OPTIONAL_HEADER32 OptionalHeader;
  friend bool operator==(const IMAGE_NT_HEADERS32&, const IMAGE_NT_HEADERS32&) = default;
};

struct IMAGE_SECTION_HEADER {
  std::array<uint8_t, 8> Name{};
  uint32_t VirtualSize = 0;  // Misc.VirtualSize
  uint32_t VirtualAddress = 0;
  uint32_t SizeOfRawData = 0;
  uint32_t PointerToRawData = 0;
  uint32_t PointerToRelocations = 0;
  uint32_t PointerToLinenumbers = 0;
  uint16_t NumberOfRelocations = 0;
  uint16_t NumberOfLinenumbers = 0;
  uint32_t Characteristics = 0;
  friend bool operator==(const IMAGE_SECTION_HEADER&, const IMAGE_SECTION_HEADER&) = default;
};

struct IMAGE_EXPORT_DIRECTORY {
  uint32_t Characteristics = 0;
  uint32_t TimeDateStamp = 0;
  uint16_t MajorVersion = 0;
  uint16_t MinorVersion = 0;
  uint32_t Name = 0;
  uint32_t Base = 0;
  uint32_t NumberOfFunctions = 0;
  uint32_t NumberOfNames = 0;
  uint32_t AddressOfFunctions = 0;
  uint32_t AddressOfNames = 0;
  uint32_t AddressOfNameOrdinals = 0;
};

struct IMAGE_IMPORT_DESCRIPTOR {
  uint32_t OriginalFirstThunk = 0;  // never consulted by the loader
  uint32_t TimeDateStamp = 0;
  uint32_t ForwarderChain = 0;
  uint32_t Name = 0;
  uint32_t FirstThunk = 0;
};

struct IMAGE_BASE_RELOCATION {
  uint32_t VirtualAddress = 0;
  uint32_t SizeOfBlock = 0;
};

void DecodeDosHeader(std::span<const uint8_t, kDosHeaderSize> bytes, IMAGE_DOS_HEADER& out);
void DecodeNtHeaders(std::span<const uint8_t, kNtHeadersSize> bytes, IMAGE_NT_HEADERS32& out);
void DecodeSectionHeader(std::span<const uint8_t, kSectionHeaderSize> bytes,
                         IMAGE_SECTION_HEADER& out);
void DecodeExportDirectory(std::span<const uint8_t, kExportDirectorySize> bytes,
                           IMAGE_EXPORT_DIRECTORY& out);
void DecodeImportDescriptor(std::span<const uint8_t, kImportDescriptorSize> bytes,
                            IMAGE_IMPORT_DESCRIPTOR& out);
void DecodeBaseRelocation(std::span<const uint8_t, kBaseRelocationSize> bytes,
                          IMAGE_BASE_RELOCATION& out);

}  // namespace pindrel::pe
