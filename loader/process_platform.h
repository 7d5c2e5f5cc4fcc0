// The operations through which the module loader reaches the process that an
// image is loaded into: memory for images, modules and their procedures,
// copies into and out of that process's memory, and calls into its code.
//
// These are the services a 32-bit Windows process offers as VirtualAlloc,
// VirtualFree, GetModuleHandleA, LoadLibraryA, GetProcAddress, RtlMoveMemory
// and a direct stdcall. Addresses are 32-bit addresses in that process; 0 is
// never a valid result. EmulatedProcess is the implementation used here; a
// later caller can register further host modules on the same process.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace pindrel {

// Ten 32-bit words, a1 first; a1 lies nearest the return address.
using CallArguments = std::array<uint32_t, 10>;

class ProcessPlatform {
 public:
  virtual ~ProcessPlatform() = default;

  // Committed, zero-filled, readable, writable and executable memory of at
  // least size bytes. With an address, only there (VirtualAlloc rounds it down
  // to the 64 KiB allocation granularity, and so does this); with 0, anywhere.
  // Returns the start, or 0 when the memory cannot be had.
  virtual uint32_t AllocateImage(uint32_t address, uint32_t size) = 0;
  // Releases a whole reservation made by AllocateImage; other addresses are
  // ignored.
  virtual void FreeImage(uint32_t address) = 0;

  // GetModuleHandleA: the handle of a module already loaded, else 0.
  virtual uint32_t FindModule(std::string_view name) = 0;
  // LoadLibraryA: the handle of the module, loading it first if needed, else 0.
  virtual uint32_t LoadModule(std::string_view name) = 0;
  // GetProcAddress with a name, or with an ordinal in place of the name.
  virtual uint32_t FindProcedure(uint32_t module, std::string_view name) = 0;
  virtual uint32_t FindProcedureByOrdinal(uint32_t module, uint16_t ordinal) = 0;

  // Copies into and out of the process's memory; false (and nothing copied)
  // when any byte of the range is not mapped.
  virtual bool CopyToProcess(uint32_t address, std::span<const uint8_t> bytes) = 0;
  virtual bool CopyFromProcess(uint32_t address, std::span<uint8_t> bytes) = 0;

  // Calls the function at target with the ten words on the stack as stdcall
  // places them and returns its 32-bit result; the stack pointer is the same
  // after the call whatever the callee removed, so stdcall and cdecl callees
  // both work. A call that cannot complete gives 0.
  virtual uint32_t CallAddress(uint32_t target, const CallArguments& arguments) = 0;
  // Whether the last CallAddress ran to the callee's return; false when it
  // faulted or was stopped at its time limit (its 0 is then no result).
  virtual bool LastCallReturned() const = 0;
};

// The call of a function by its address with up to ten 32-bit arguments;
// omitted arguments are 0.
inline uint32_t CallAddress(ProcessPlatform& process, uint32_t target, uint32_t a1 = 0,
                            uint32_t a2 = 0, uint32_t a3 = 0, uint32_t a4 = 0, uint32_t a5 = 0,
                            uint32_t a6 = 0, uint32_t a7 = 0, uint32_t a8 = 0, uint32_t a9 = 0,
                            uint32_t a10 = 0) {
  return process.CallAddress(target, CallArguments{a1, a2, a3, a4, a5, a6, a7, a8, a9, a10});
}

}  // namespace pindrel
