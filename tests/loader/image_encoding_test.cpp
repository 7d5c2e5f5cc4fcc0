// The encodings that abort the emulator: the check itself over a table of
// encodings, its rewrite for the fuzz target, and every PE32 image the build
// makes for the emulated process, disassembled with the mingw objdump.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "untranslatable_encodings.h"

namespace pindrel::testing {
namespace {

using Kind = UntranslatableKind;

struct EncodingRow {
  const char* what;
  std::vector<uint8_t> bytes;
  Kind kind;
};

const std::vector<EncodingRow>& EncodingRows() {
  static const std::vector<EncodingRow> rows = {
      {"lcall *%eax (FF /3, mod 11)", {0xFF, 0xD8}, Kind::FarThroughRegister},
      {"lcall *%edi", {0xFF, 0xDF}, Kind::FarThroughRegister},
      {"ljmp *%eax (FF /5, mod 11)", {0xFF, 0xE8}, Kind::FarThroughRegister},
      {"ljmp *%edi", {0xFF, 0xEF}, Kind::FarThroughRegister},
      {"cs lcall *%eax: prefixes do not hide it", {0x2E, 0xFF, 0xD8}, Kind::FarThroughRegister},
      {"FF at the very end: the next byte may complete it", {0xFF}, Kind::FarThroughRegister},
      {"call *%eax (FF /2)", {0xFF, 0xD0}, Kind::None},
      {"jmp *%eax (FF /4)", {0xFF, 0xE0}, Kind::None},
      {"push %eax (FF /6)", {0xFF, 0xF0}, Kind::None},
      {"lcall *(%eax): the memory form translates", {0xFF, 0x18}, Kind::None},
      {"ljmp *0x10(%ebp)", {0xFF, 0x6D, 0x10}, Kind::None},
      {"lock cmp %eax,(%eax)", {0xF0, 0x39, 0x00}, Kind::LockedCompare},
      {"lock cmpb %al,(%ebx) (38)", {0xF0, 0x38, 0x03}, Kind::LockedCompare},
      {"lock cmp (%ebx),%ecx: a memory source translates", {0xF0, 0x3B, 0x0B}, Kind::None},
      {"lock cmpb $5,(%eax) (80 /7)", {0xF0, 0x80, 0x38, 0x05}, Kind::LockedCompare},
      {"lock cmpl $5,0x10(%ebp) (83 /7)", {0xF0, 0x83, 0x7D, 0x10, 0x05}, Kind::LockedCompare},
      {"data16 lock cmp: LOCK after another prefix", {0x66, 0xF0, 0x39, 0x00}, Kind::LockedCompare},
      {"lock data16 cmp: LOCK before another prefix", {0xF0, 0x66, 0x39, 0x00}, Kind::LockedCompare},
      {"LOCK at the very end", {0x90, 0xF0}, Kind::None},  // at offset 0: a nop
      {"lock cmp %eax,%eax: the register form translates", {0xF0, 0x39, 0xC0}, Kind::None},
      {"lock addl $5,(%eax) (83 /0)", {0xF0, 0x83, 0x00, 0x05}, Kind::None},
      {"cmp %eax,(%eax) without LOCK", {0x39, 0x00}, Kind::None},
      {"lock cmpxchg %ecx,(%eax)", {0xF0, 0x0F, 0xB1, 0x08}, Kind::None},
      {"lock cmpsb", {0xF0, 0xA6}, Kind::LockedCompareString},
      {"rep lock cmpsl", {0xF3, 0xF0, 0xA7}, Kind::LockedCompareString},
      {"repz cmpsb without LOCK", {0xF3, 0xA6}, Kind::None},
      {"lock bts %eax,%ecx (0F AB, mod 11)", {0xF0, 0x0F, 0xAB, 0xC1}, Kind::LockedBitTestOnRegister},
      {"lock bt %eax,%eax (0F A3)", {0xF0, 0x0F, 0xA3, 0xC0}, Kind::LockedBitTestOnRegister},
      {"lock btr, lock btc (0F B3, 0F BB)", {0xF0, 0x0F, 0xB3, 0xC8}, Kind::LockedBitTestOnRegister},
      {"lock btcl $3,%edi (0F BA /7)", {0xF0, 0x0F, 0xBA, 0xFF, 0x03}, Kind::LockedBitTestOnRegister},
      {"lock btl $3,%eax (0F BA /4)", {0xF0, 0x0F, 0xBA, 0xE0, 0x03}, Kind::LockedBitTestOnRegister},
      {"lock bts %eax,(%ecx): the memory form translates", {0xF0, 0x0F, 0xAB, 0x01}, Kind::None},
      {"0F BA /3 is no bit test", {0xF0, 0x0F, 0xBA, 0xD8, 0x03}, Kind::None},
      {"bts %eax,%ecx without LOCK", {0x0F, 0xAB, 0xC1}, Kind::None},
  };
  return rows;
}

TEST(UntranslatableEncodingTest, TellsEachKindFromItsNeighbours) {
  for (const EncodingRow& r : EncodingRows())
    EXPECT_EQ(Describe(UntranslatableAt(r.bytes, 0).kind), Describe(r.kind)) << r.what;
  // The lone LOCK byte of the "very end" row, read where it stands.
  EXPECT_EQ(UntranslatableAt(std::vector<uint8_t>{0x90, 0xF0}, 1).kind, Kind::LockedCompare);
}

TEST(UntranslatableEncodingTest, NeutralizeLeavesNoHitAtAnyOffsetAndKeepsTheRest) {
  for (const EncodingRow& r : EncodingRows()) {
    // The row between ordinary code, so that hits at every offset count.
    std::vector<uint8_t> bytes = {0x8B, 0x45, 0x10};  // mov 0x10(%ebp),%eax
    bytes.insert(bytes.end(), r.bytes.begin(), r.bytes.end());
    const std::vector<uint8_t> before = bytes;
    bool any_hit = false;
    for (std::size_t offset = 0; offset < before.size(); ++offset)
      any_hit = any_hit || UntranslatableAt(before, offset).kind != Kind::None;
    if (r.kind != Kind::None) {
      EXPECT_TRUE(any_hit) << r.what;
    }

    const std::size_t changed = NeutralizeUntranslatable(bytes);
    ASSERT_EQ(bytes.size(), before.size()) << r.what;
    for (std::size_t offset = 0; offset < bytes.size(); ++offset)
      EXPECT_EQ(UntranslatableAt(bytes, offset).kind, Kind::None) << r.what << " at " << offset;
    if (any_hit) {
      EXPECT_GE(changed, 1u) << r.what;
    } else {
      EXPECT_EQ(changed, 0u) << r.what;
      EXPECT_EQ(bytes, before) << r.what;
    }
  }
  // An FF whose rewrite is the ModRM byte of an FF before it.
  std::vector<uint8_t> chained = {0xFF, 0xFF, 0xD8};
  NeutralizeUntranslatable(chained);
  for (std::size_t offset = 0; offset < chained.size(); ++offset)
    EXPECT_EQ(UntranslatableAt(chained, offset).kind, Kind::None) << offset;
}

// One instruction of an objdump listing that the check refuses.
struct Finding {
  std::string line;  // objdump's line for it
  Kind kind;
};

struct ImageScan {
  bool objdump_ran = false;
  std::size_t instructions = 0;
  std::vector<Finding> findings;
};

// Disassembles the executable sections of image (zero runs included, so the
// instruction starts are those the code has) and checks every instruction
// start against the bytes of its whole run of consecutive instructions.
ImageScan ScanImage(const std::string& image) {
  ImageScan scan;
  const std::string command =
      std::string(PINDREL_MINGW_OBJDUMP) + " -d -z --insn-width=16 '" + image + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return scan;
  std::string listing;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) listing.append(buffer, n);
  scan.objdump_ran = pclose(pipe.release()) == 0;

  std::vector<uint8_t> run;                          // bytes of consecutive instructions
  std::vector<std::pair<std::size_t, std::string>> starts;  // offset in run, the line
  uint64_t next_address = 0;
  auto check_run = [&] {
    for (const auto& [offset, line] : starts) {
      const Kind kind = UntranslatableAt(run, offset).kind;
      if (kind != Kind::None) scan.findings.push_back({line, kind});
    }
    run.clear();
    starts.clear();
  };
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    // "10001000:\t69 44 24 04 e8 03 00 00 \timul   $0x3e8,0x4(%esp),%eax"
    const std::size_t colon = line.find(":\t");
    const std::size_t tab = colon == std::string::npos ? std::string::npos : line.find('\t', colon + 2);
    if (tab == std::string::npos) {
      if (line.starts_with("Disassembly of section")) check_run();
      continue;
    }
    uint64_t address = 0;
    try {
      address = std::stoull(line.substr(0, colon), nullptr, 16);
    } catch (const std::exception&) {
      continue;
    }
    if (!run.empty() && address != next_address) check_run();
    starts.emplace_back(run.size(), line);
    std::istringstream hex(line.substr(colon + 2, tab - colon - 2));
    for (std::string byte; hex >> byte;) run.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    next_address = address + (run.size() - starts.back().first);
    ++scan.instructions;
  }
  check_run();
  return scan;
}

TEST(ImageEncodingTest, FindsEveryKindInTheFixture) {
  const ImageScan scan = ScanImage(PINDREL_ENCODINGS_FIXTURE);
  ASSERT_TRUE(scan.objdump_ran) << PINDREL_ENCODINGS_FIXTURE;
  std::vector<Kind> kinds;
  for (const Finding& f : scan.findings) kinds.push_back(f.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::FarThroughRegister, Kind::LockedCompare,
                                      Kind::LockedCompareString, Kind::LockedBitTestOnRegister}));
}

TEST(ImageEncodingTest, NoImageForTheEmulatorHoldsAnEncodingItCannotTranslate) {
  std::ifstream list(PINDREL_EMULATOR_IMAGE_LIST);
  ASSERT_TRUE(list) << PINDREL_EMULATOR_IMAGE_LIST;
  std::vector<std::string> images;
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) images.push_back(line);
  ASSERT_FALSE(images.empty());
  for (const std::string& image : images) {
    const ImageScan scan = ScanImage(image);
    ASSERT_TRUE(scan.objdump_ran) << image << " could not be disassembled (not built?)";
    EXPECT_GT(scan.instructions, 0u) << image;
    for (const Finding& f : scan.findings)
      ADD_FAILURE() << image << ": " << Describe(f.kind) << ":\n  " << f.line;
  }
}

}  // namespace
}  // namespace pindrel::testing
