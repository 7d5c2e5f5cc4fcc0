// The start-up path with the skin engine, each run a process of its own
// (skin_startup_probe, RunPindrel with a watcher): the stored engine
// attaches skin 1 unless another number is asked for; a truncated or
// corrupted engine image, and an engine without SkinH_AttachRes, still bring
// up MainWindow and its message loop, unskinned and without a word to the
// user; the exit routine releases skinLoader without unloading the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/skin_host.h"
#include "loader/emulated_process.h"
#include "loader/module_image.h"
#include "resources/skin_engine/skin_table.h"
#include "resources/skin_engine/stored_skins.h"

namespace pindrel {
namespace {

using Report = std::map<std::string, std::string>;

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = ::testing::TempDir() + "skin_startup_" + name + ".dll";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

Report RunProbe(const std::string& arguments) {
  const std::string command = std::string(PINDREL_SKIN_STARTUP_PROBE) + " " + arguments + " 2>/dev/null";
  Report report;
  FILE* out = popen(command.c_str(), "r");
  if (out == nullptr) return report;
  char line[512];
  while (std::fgets(line, sizeof line, out) != nullptr) {
    std::istringstream fields(line);
    std::string key;
    std::string value;
    fields >> key;
    std::getline(fields >> std::ws, value);
    report[key] = value;
  }
  report["status"] = std::to_string(pclose(out));
  return report;
}

std::vector<skins::SkinRow> TableRows() {
  std::ifstream in(PINDREL_SKIN_TABLE, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string error;
  return skins::ParseSkinTable(text.str(), error).value_or(std::vector<skins::SkinRow>{});
}

std::string Hex(uint32_t rgb) {
  char s[8];
  std::snprintf(s, sizeof s, "#%06x", rgb);
  return s;
}

// File offsets of the stored engine's entry routine and of SkinH_AttachRes,
// found by loading it as the program does.
struct EngineLayout {
  uint32_t entry = 0;
  uint32_t attach = 0;
  uint32_t nt_headers = 0;
  uint32_t end_of_sections = 0;  // where the last section's bytes end in the file
};

EngineLayout Layout() {
  SkinHost host;  // its procedures are only bound here, never called
  auto process = EmulatedProcess::Create();
  EngineLayout layout;
  if (process == nullptr || !host.RegisterModules(*process)) return layout;
  ModuleImage image(*process);
  if (image.Load(SkinEngineImage()) != 1) return layout;
  const auto to_file = [&image](uint32_t rva) -> uint32_t {
    for (const auto& s : image.section_table())
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
        return s.PointerToRawData + (rva - s.VirtualAddress);
    return 0;
  };
  layout.entry = to_file(image.nt_headers().OptionalHeader.AddressOfEntryPoint);
  layout.attach = to_file(image.FindExport(Text::from_bytes("SkinH_AttachRes")) - image.GetImageBase());
  layout.nt_headers = static_cast<uint32_t>(image.dos_header().e_lfanew);
  for (const auto& s : image.section_table())
    layout.end_of_sections = std::max(layout.end_of_sections, s.PointerToRawData + s.SizeOfRawData);
  return layout;
}

enum class Engine { Stored, Truncated, BadSignature, EntryRefuses, AttachFaults, WithoutAttach };

struct StartCase {
  const char* what;
  Engine engine;
  const char* skin;  // the --skin argument, or nullptr for the default
  bool loads;        // the engine is mapped once start-up is done
  int applied;       // the skin on the windows, 0 for none
};

const StartCase kCases[] = {
    {"stored engine, default skin", Engine::Stored, nullptr, true, 1},
    {"stored engine, skin 2", Engine::Stored, "2", true, 2},
    {"stored engine, skin 33", Engine::Stored, "33", true, 33},
    {"stored engine, skin 34", Engine::Stored, "34", true, 0},
    {"engine image one byte short of its last section", Engine::Truncated, nullptr, false, 0},
    {"engine image with a broken PE signature", Engine::BadSignature, nullptr, false, 0},
    {"engine whose entry routine refuses to attach", Engine::EntryRefuses, nullptr, false, 0},
    {"engine whose SkinH_AttachRes faults", Engine::AttachFaults, nullptr, true, 0},
    {"engine without SkinH_AttachRes", Engine::WithoutAttach, nullptr, true, 0},
};

std::string EngineFile(Engine engine, const EngineLayout& layout) {
  const ByteArray stored = SkinEngineImage();
  std::vector<uint8_t> image(stored.data(), stored.data() + stored.size());
  const auto patch = [&image](uint32_t at, std::vector<uint8_t> code) {
    std::copy(code.begin(), code.end(), image.begin() + at);
  };
  switch (engine) {
    case Engine::Stored:
      return {};
    case Engine::Truncated:
      image.resize(layout.end_of_sections - 1);
      return WriteTemp("truncated", image);
    case Engine::BadSignature:
      image.at(layout.nt_headers + 1) ^= 0x20;
      return WriteTemp("signature", image);
    case Engine::EntryRefuses:
      patch(layout.entry, {0x31, 0xC0, 0xC2, 0x0C, 0x00});  // xor eax, eax; ret 12
      return WriteTemp("entry", image);
    case Engine::AttachFaults:
      patch(layout.attach, {0x0F, 0x0B});  // ud2
      return WriteTemp("attach", image);
    case Engine::WithoutAttach:
      return PINDREL_SKIN_ENGINE_WITHOUT_ATTACH;
  }
  return {};
}

TEST(SkinStartup, MainWindowComesUpWithTheSkinOrUnskinnedAndSilent) {
  const auto rows = TableRows();
  ASSERT_EQ(rows.size(), std::size_t{kSkinCount});
  const EngineLayout layout = Layout();
  ASSERT_NE(layout.entry, 0u);
  ASSERT_NE(layout.attach, 0u);
  ASSERT_GT(layout.end_of_sections, 0u);

  // The unskinned look: the stored engine, no skin attached.
  const Report unskinned = RunProbe("--skin 0");
  ASSERT_EQ(unskinned.count("button"), 1u) << "the probe did not reach MainWindow";
  ASSERT_NE(unskinned.at("button"), Hex(rows[0].face)) << "skin 1 would not show";
  EXPECT_EQ(unskinned.at("sheet"), "0");

  for (const StartCase& c : kCases) {
    SCOPED_TRACE(c.what);
    std::string arguments;
    const std::string engine = EngineFile(c.engine, layout);
    if (!engine.empty()) arguments += "--engine " + engine;
    if (c.skin != nullptr) arguments += std::string(" --skin ") + c.skin;
    Report r = RunProbe(arguments);

    // MainWindow shown and its message loop running, nothing said to the
    // user, then a normal end through the exit routine.
    ASSERT_EQ(r.count("windows"), 1u) << "MainWindow was not shown";
    EXPECT_EQ(r["main-visible"], "1");
    EXPECT_EQ(r["windows"], "1");
    EXPECT_EQ(r["messages"], "0");
    EXPECT_EQ(r["exit"], "0");
    EXPECT_EQ(r["status"], "0");
    EXPECT_EQ(r["released"], "1");
    // No Unload at exit: a loaded engine stays mapped.
    EXPECT_EQ(r["loaded"], c.loads ? "1" : "0");
    EXPECT_EQ(r["engine-mapped"], c.loads ? "1" : "0");

    if (c.applied != 0) {
      const auto& row = rows[static_cast<std::size_t>(c.applied - 1)];
      EXPECT_EQ(r["applied"], row.name);
      EXPECT_EQ(r["button"], Hex(row.face));
      EXPECT_EQ(r["window"], Hex(row.face));
      EXPECT_EQ(r["sheet"], "1");
    } else {
      EXPECT_EQ(r["applied"], "-");
      EXPECT_EQ(r["host-calls"], "0");
      EXPECT_EQ(r["button"], unskinned.at("button"));
      EXPECT_EQ(r["window"], unskinned.at("window"));
      EXPECT_EQ(r["sheet"], "0");
    }
  }
}

}  // namespace
}  // namespace pindrel
