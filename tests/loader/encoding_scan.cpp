// Finds the x86 encodings that end the host process when the emulated
// process translates them, and compares the finding with UntranslatableAt.
//
//   loader_encoding_scan [--prefixes=none,f0] [--opcodes=all | --opcodes=ff,39,0fb1]
//
// Every encoding prefix + opcode (one byte, or 0F and a second byte) + each
// of the 256 ModRM bytes runs in a child process of its own: the child writes
// it into a page of an EmulatedProcess made before the fork and calls it.
// Whether unicorn can translate an instruction depends on what follows it:
// when the next instruction overwrites the flags unread, the code that failed
// is dropped before it is generated. So each encoding runs twice, followed by
// bytes that overwrite the flags (zeros: add %al,(%eax)) and by bytes that
// read them (9C: pushf), each standing in for the SIB byte, displacement and
// immediate too; it is fatal when either run is. A child killed by a signal (unicorn's "tcg fatal error" is an
// abort) marks an encoding that no hook can catch; a child that returns, or
// that the timer ends because the encoding loops, marks one that translates.
// Prints the fatal encodings and every disagreement with UntranslatableAt;
// exits 0 when there is none.
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "loader/emulated_process.h"
#include "untranslatable_encodings.h"

namespace {

using pindrel::EmulatedProcess;
using pindrel::testing::UntranslatableAt;
using pindrel::testing::UntranslatableKind;

constexpr uint32_t kCodePage = 0x10000000;
constexpr std::size_t kTailBytes = 6;  // SIB, disp32, the first immediate byte
constexpr uint8_t kTails[] = {0x00, 0x9C};  // flags overwritten, flags read

bool IsPrefixByte(int b) {
  static const std::vector<uint8_t> prefixes = {0xF0, 0xF2, 0xF3, 0x26, 0x2E, 0x36,
                                                0x3E, 0x64, 0x65, 0x66, 0x67};
  for (const uint8_t p : prefixes)
    if (p == b) return true;
  return false;
}

// Whether a one-byte opcode takes a ModRM byte (Intel SDM vol. 2, table
// For those that do not, the byte the scan varies is the start of the
// next instruction: the context, not the encoding.
bool TakesModRm(const std::vector<uint8_t>& opcode) {
  if (opcode.size() != 1) return true;  // the 0F map: nearly all do
  const uint8_t b = opcode[0];
  if (b < 0x40) return (b & 0x07) < 4;  // the ALU rows: r/m forms, then AL/eAX imm
  return (b >= 0x62 && b <= 0x63) || b == 0x69 || b == 0x6B || (b >= 0x80 && b <= 0x8F) ||
         (b >= 0xC0 && b <= 0xC1) || (b >= 0xC4 && b <= 0xC7) || (b >= 0xD0 && b <= 0xD3) ||
         (b >= 0xD8 && b <= 0xDF) || (b >= 0xF6 && b <= 0xF7) || b >= 0xFE;
}

std::vector<std::string> Split(std::string_view list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    const std::size_t end = comma == std::string_view::npos ? list.size() : comma;
    if (end > start) parts.emplace_back(list.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "none" or a hex byte such as "f0".
std::vector<std::vector<uint8_t>> ParsePrefixes(std::string_view list) {
  std::vector<std::vector<uint8_t>> out;
  for (const std::string& p : Split(list))
    out.push_back(p == "none" ? std::vector<uint8_t>{}
                              : std::vector<uint8_t>{static_cast<uint8_t>(std::stoul(p, nullptr, 16))});
  return out;
}

// "all", or hex opcodes of one byte ("ff") or two ("0fb1").
std::vector<std::vector<uint8_t>> ParseOpcodes(std::string_view list) {
  std::vector<std::vector<uint8_t>> out;
  if (list == "all") {
    for (int b = 0; b < 256; ++b)
      if (b != 0x0F && !IsPrefixByte(b)) out.push_back({static_cast<uint8_t>(b)});
    for (int b = 0; b < 256; ++b) out.push_back({0x0F, static_cast<uint8_t>(b)});
    return out;
  }
  for (const std::string& p : Split(list)) {
    const unsigned long value = std::stoul(p, nullptr, 16);
    if (p.size() > 2) {
      out.push_back({static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
    } else {
      out.push_back({static_cast<uint8_t>(value)});
    }
  }
  return out;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char piece[4];
  for (const uint8_t b : bytes) {
    std::snprintf(piece, sizeof piece, "%s%02x", out.empty() ? "" : " ", b);
    out += piece;
  }
  return out;
}

// 0 when the encoding translated (it returned, faulted or looped), else the
// signal that ended the child.
int RunInChild(EmulatedProcess& process, const std::vector<uint8_t>& code) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    std::perror("fork");
    std::exit(2);
  }
  if (child == 0) {
    // The watchdog thread stays behind in the parent; a timer ends loops.
    signal(SIGALRM, [](int) { _exit(0); });
    itimerval timer{};
    timer.it_value.tv_usec = 200000;
    setitimer(ITIMER_REAL, &timer, nullptr);
    if (!process.CopyToProcess(kCodePage, code)) _exit(3);
    pindrel::CallAddress(process, kCodePage);
    _exit(0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) {
    std::perror("waitpid");
    std::exit(2);
  }
  if (WIFSIGNALED(status)) return WTERMSIG(status);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
    std::fprintf(stderr, "the child could not write the code page\n");
    std::exit(2);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string prefixes = "none,f0";
  std::string opcodes = "all";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--prefixes=")) {
      prefixes = arg.substr(11);
    } else if (arg.starts_with("--opcodes=")) {
      opcodes = arg.substr(10);
    } else {
      std::fprintf(stderr, "usage: %s [--prefixes=none,f0] [--opcodes=all|ff,39,0fb1]\n", argv[0]);
      return 2;
    }
  }

  auto process = EmulatedProcess::Create();
  if (!process || process->AllocateImage(kCodePage, EmulatedProcess::kPageSize) != kCodePage) {
    std::fprintf(stderr, "no emulated process\n");
    return 2;
  }

  // Per instruction: with its ModRM byte where it takes one, else the
  // opcode alone, fatal when any following byte made it so.
  struct Verdict {
    bool fatal = false;
    bool predicted = false;
  };
  std::map<std::string, Verdict> verdicts;
  std::size_t scanned = 0;
  std::size_t fatal_runs = 0;
  std::map<std::string, std::size_t> fatal_by_opcode;
  for (const auto& prefix : ParsePrefixes(prefixes)) {
    for (const auto& opcode : ParseOpcodes(opcodes)) {
      for (int modrm = 0; modrm < 256; ++modrm) {
        std::vector<uint8_t> encoding = prefix;
        encoding.insert(encoding.end(), opcode.begin(), opcode.end());
        encoding.push_back(static_cast<uint8_t>(modrm));
        int signal_number = 0;
        for (const uint8_t tail : kTails) {
          std::vector<uint8_t> code = encoding;
          code.insert(code.end(), kTailBytes, tail);
          signal_number = RunInChild(*process, code);
          if (signal_number != 0) {
            std::printf("fatal (signal %d): %s\n", signal_number, Hex(code).c_str());
            break;
          }
        }
        const bool predicted = UntranslatableAt(encoding, 0).kind != UntranslatableKind::None;
        ++scanned;
        const std::vector<uint8_t> instruction(encoding.begin(), encoding.end() - (TakesModRm(opcode) ? 0 : 1));
        const std::string key = Hex(instruction);
        Verdict& verdict = verdicts[key];
        verdict.fatal = verdict.fatal || signal_number != 0;
        verdict.predicted = verdict.predicted || predicted;
        if (signal_number != 0) {
          ++fatal_runs;
          ++fatal_by_opcode[Hex(std::vector<uint8_t>(encoding.begin(), encoding.end() - 1))];
        }
        if (scanned % 10000 == 0) std::fprintf(stderr, "%zu encodings scanned\n", scanned);
      }
    }
  }
  std::size_t fatal = 0;
  std::size_t disagreements = 0;
  for (const auto& [instruction, verdict] : verdicts) {
    fatal += verdict.fatal ? 1 : 0;
    if (verdict.fatal == verdict.predicted) continue;
    ++disagreements;
    std::printf("DISAGREES: %s %s\n", instruction.c_str(),
                verdict.predicted ? "is flagged but translates" : "ends the host but is not flagged");
  }
  std::printf("fatal encodings by prefix and opcode (of 256 following bytes each):\n");
  for (const auto& [opcode, count] : fatal_by_opcode) std::printf("  %s: %zu\n", opcode.c_str(), count);
  std::printf("%zu encodings scanned (%zu fatal), %zu instructions, %zu of them fatal, "
              "%zu disagreements with the check\n",
              scanned, fatal_runs, verdicts.size(), fatal, disagreements);
  return disagreements == 0 ? 0 : 1;
}
