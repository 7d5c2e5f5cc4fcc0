#include "untranslatable_encodings.h"

#include <optional>

namespace pindrel::testing {

namespace {

constexpr std::size_t kMaxInstructionLength = 15;  // Intel SDM vol. 2, 2.3.11
constexpr uint8_t kLock = 0xF0;

bool IsLegacyPrefix(uint8_t b) {
  switch (b) {
    case 0xF0: case 0xF2: case 0xF3:                          // lock, repne, rep
    case 0x26: case 0x2E: case 0x36: case 0x3E: case 0x64: case 0x65:  // segments
    case 0x66: case 0x67:                                     // operand, address size
      return true;
    default:
      return false;
  }
}

struct ModRm {
  bool memory;  // mod != 11
  int reg;
};

std::optional<ModRm> ModRmAt(std::span<const uint8_t> bytes, std::size_t at) {
  if (at >= bytes.size()) return std::nullopt;
  return ModRm{(bytes[at] >> 6) != 3, (bytes[at] >> 3) & 7};
}

}  // namespace

UntranslatableHit UntranslatableAt(std::span<const uint8_t> bytes, std::size_t offset) {
  std::optional<std::size_t> lock;
  std::size_t at = offset;
  while (at < bytes.size() && at - offset < kMaxInstructionLength - 1 && IsLegacyPrefix(bytes[at])) {
    if (bytes[at] == kLock) lock = at;
    ++at;
  }
  if (at >= bytes.size()) {
    // The opcode lies beyond the bytes: whatever follows may complete a
    // locked compare.
    if (lock) return {UntranslatableKind::LockedCompare, *lock};
    return {};
  }
  const uint8_t opcode = bytes[at];
  const auto modrm = ModRmAt(bytes, at + 1);

  if (opcode == 0xFF && (!modrm || (!modrm->memory && (modrm->reg == 3 || modrm->reg == 5))))
    return {UntranslatableKind::FarThroughRegister, at};
  if (!lock) return {};
  if (opcode == 0xA6 || opcode == 0xA7) return {UntranslatableKind::LockedCompareString, *lock};
  if (opcode == 0x0F) {
    if (at + 1 >= bytes.size()) return {UntranslatableKind::LockedBitTestOnRegister, *lock};
    const uint8_t second = bytes[at + 1];
    const auto bit_modrm = ModRmAt(bytes, at + 2);
    const bool bit_test_by_register = second == 0xA3 || second == 0xAB || second == 0xB3 || second == 0xBB;
    if (bit_test_by_register && (!bit_modrm || !bit_modrm->memory))
      return {UntranslatableKind::LockedBitTestOnRegister, *lock};
    if (second == 0xBA && (!bit_modrm || (!bit_modrm->memory && bit_modrm->reg >= 4)))
      return {UntranslatableKind::LockedBitTestOnRegister, *lock};
    return {};
  }
  // 38 and 39 compare into r/m; 3A and 3B, which read r/m as the source,
  // translate.
  const bool compare_rm = opcode == 0x38 || opcode == 0x39;
  const bool compare_immediate = opcode >= 0x80 && opcode <= 0x83;
  if (compare_rm && (!modrm || modrm->memory)) return {UntranslatableKind::LockedCompare, *lock};
  if (compare_immediate && (!modrm || (modrm->memory && modrm->reg == 7)))
    return {UntranslatableKind::LockedCompare, *lock};
  return {};
}

std::size_t NeutralizeUntranslatable(std::span<uint8_t> bytes) {
  std::size_t changed = 0;
  for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
    // Each rewrite removes one FF or one F0 from the bytes, so this ends.
    for (;;) {
      const UntranslatableHit hit = UntranslatableAt(bytes, offset);
      if (hit.kind == UntranslatableKind::None) break;
      bytes[hit.key] = hit.kind == UntranslatableKind::FarThroughRegister ? 0xFE : 0x3E;
      ++changed;
    }
  }
  return changed;
}

std::string Describe(UntranslatableKind kind) {
  switch (kind) {
    case UntranslatableKind::None:
      return "none";
    case UntranslatableKind::FarThroughRegister:
      return "FF /3 or FF /5 with a register operand";
    case UntranslatableKind::LockedCompare:
      return "LOCK CMP with a memory operand";
    case UntranslatableKind::LockedCompareString:
      return "LOCK CMPS";
    case UntranslatableKind::LockedBitTestOnRegister:
      return "LOCK BT, BTS, BTR or BTC on a register";
  }
  return "unknown";
}

}  // namespace pindrel::testing
