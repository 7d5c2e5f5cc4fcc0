// x86 encodings that unicorn 2.0.1 cannot translate. Translating any of them
// aborts the whole host process ("tcg fatal error" from its code generator)
// before a single guest instruction runs, so no hook can turn it into a
// fault of the call. The kinds, as the scan tool (encoding_scan.cpp, one
// child process per encoding) finds them:
//
//   FF /3 and FF /5 with a register operand   lcall *%eax, ljmp *%edi
//   LOCK CMP with a memory operand            lock cmp %eax,(%ebx), lock cmpl $5,(%eax)
//     as its first operand (38, 39, 80-83 /7; 3A and 3B translate)
//   LOCK CMPS                                 lock cmpsb
//   LOCK BT, BTS, BTR or BTC on a register    lock bts %eax,%ecx, lock btl $3,%eax
//     (0F A3, AB, B3, BB and 0F BA /4-/7, mod 11)
//
// The loader therefore runs only our own images, checked for these encodings
// (image_encoding_test.cpp), and the fuzz target rewrites them before a
// mutated image reaches the emulator.
//
//   UntranslatableAt({0xFF, 0xD8}, 0).kind == UntranslatableKind::FarThroughRegister
//   UntranslatableAt({0xFF, 0xD0}, 0).kind == UntranslatableKind::None  // call *%eax
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pindrel::testing {

enum class UntranslatableKind {
  None,
  FarThroughRegister,   // FF /3 or FF /5, mod 11
  LockedCompare,        // F0 with 38, 39 or 80-83 /7, on a memory operand
  LockedCompareString,  // F0 with A6 or A7
  LockedBitTestOnRegister,  // F0 with 0F A3/AB/B3/BB, or 0F BA /4-/7, mod 11
};

struct UntranslatableHit {
  UntranslatableKind kind = UntranslatableKind::None;
  // The byte that makes the encoding what it is (the FF, or the F0 prefix):
  // rewriting it, as NeutralizeUntranslatable does, removes the hit.
  std::size_t key = 0;
};

// The encoding of an instruction that starts at bytes[offset]. Where the
// bytes end before the instruction can be told (a prefix run or an FF at the
// very end), the answer is the cautious one: the next bytes in memory may
// complete it, so a LOCK or FF seen counts as a hit.
UntranslatableHit UntranslatableAt(std::span<const uint8_t> bytes, std::size_t offset);

// Rewrites bytes so that no offset holds such an encoding: an FF becomes FE
// (whose /3 and /5 register forms are invalid instructions, which fault the
// call as they should) and a LOCK prefix becomes a DS override (3E), which
// keeps the instruction's length. Returns how many bytes were changed.
std::size_t NeutralizeUntranslatable(std::span<uint8_t> bytes);

std::string Describe(UntranslatableKind kind);

}  // namespace pindrel::testing
