// A stand-in for libFuzzer's main in the normal build: every file given on
// the command line (or found in a given folder) is run through the target,
// then --runs=N inputs made by mutating those files with a fixed-start
// generator, so every CTest run exercises the same inputs.
//
//   fuzz_text --runs=4000 tests/foundation/corpus/text
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> read_inputs(const std::vector<std::string>& paths) {
  std::vector<std::string> inputs;
  auto add_file = [&](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  for (const auto& path : paths) {
    std::filesystem::path p(path);
    if (std::filesystem::is_directory(p)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(p))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) add_file(f);
    } else if (std::filesystem::is_regular_file(p)) {
      add_file(p);
    } else {
      std::fprintf(stderr, "replay: no such input: %s\n", path.c_str());
      std::exit(2);
    }
  }
  return inputs;
}

// Byte values that matter to the targets: markers, lead bytes, spaces, zero.
constexpr uint8_t kInteresting[] = {0x00, 0x20, 0x22, 0x2F, 0x3A, 0x3B, 0x3D, 0x0D, 0x0A,
                                    0x7F, 0x80, 0x81, 0xA1, 0xA3, 0xFE, 0xFF};

std::string mutate(const std::string& base, std::mt19937& rng) {
  std::string s = base;
  const int steps = 1 + static_cast<int>(rng() % 8);
  for (int i = 0; i < steps; ++i) {
    const auto pick = rng() % 6;
    const size_t at = s.empty() ? 0 : rng() % (s.size() + 1);
    const auto byte = (rng() % 2) ? static_cast<char>(kInteresting[rng() % sizeof kInteresting])
                                  : static_cast<char>(rng() & 0xFF);
    switch (pick) {
      case 0: s.insert(s.begin() + static_cast<long>(at), byte); break;
      case 1: if (!s.empty() && at < s.size()) s.erase(at, 1 + rng() % 4); break;
      case 2: if (at < s.size()) s[at] = byte; break;
      case 3: if (!s.empty()) {  // copy a piece elsewhere
                const size_t from = rng() % s.size();
                const size_t len = 1 + rng() % std::min<size_t>(16, s.size() - from);
                s.insert(at, s.substr(from, len));
              }
              break;
      case 4: if (at < s.size()) s.resize(at); break;
      default: {  // a run of random bytes
        std::string run(1 + rng() % 8, '\0');
        for (auto& c : run) c = static_cast<char>(rng() & 0xFF);
        s.insert(at, run);
      }
    }
  }
  if (s.size() > (1u << 20)) s.resize(1u << 20);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long runs = 0;
  std::vector<std::string> paths;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--runs=", 7) == 0)
      runs = std::strtol(argv[i] + 7, nullptr, 10);
    else if (argv[i][0] == '-')
      continue;  // libFuzzer flags have no meaning here
    else
      paths.emplace_back(argv[i]);
  }
  const auto inputs = read_inputs(paths);
  for (const auto& in : inputs)
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(in.data()), in.size());

  std::mt19937 rng(20261211u);
  const std::string empty;
  for (long i = 0; i < runs; ++i) {
    const std::string& base = inputs.empty() ? empty : inputs[rng() % inputs.size()];
    const std::string in = mutate(base, rng);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(in.data()), in.size());
  }
  std::printf("replayed %zu files and %ld generated inputs\n", inputs.size(), runs);
  return 0;
}
