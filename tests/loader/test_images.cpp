#include "test_images.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pindrel::testing {

ByteArray ReadTestImage(std::string_view file_name) {
  const std::string path = std::string(PINDREL_LOADER_IMAGE_DIR) + "/" + std::string(file_name);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing test image " + path);
  return ByteArray(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

HostModule TestHostModule(std::vector<EntryCall>& log) {
  HostModule m;
  m.name = "pindrel_host.dll";
  m.procedures.push_back({"HostAdd", 1, 2, CallingConvention::Stdcall,
                          [](HostCall& c) { return c.argument(0) + c.argument(1); }});
  m.procedures.push_back({"", 2, 2, CallingConvention::Stdcall,
                          [](HostCall& c) { return c.argument(0) * c.argument(1); }});
  m.procedures.push_back({"RecordEntry", 3, 3, CallingConvention::Stdcall, [&log](HostCall& c) {
                            log.push_back({c.argument(0), c.argument(1), c.argument(2)});
                            return 1u;
                          }});
  return m;
}

std::unique_ptr<TestProcess> MakeTestProcess(bool register_host) {
  auto testbed = std::make_unique<TestProcess>();
  testbed->process = EmulatedProcess::Create();
  if (!testbed->process) throw std::runtime_error("unicorn could not be set up");
  if (register_host && testbed->process->RegisterHostModule(TestHostModule(testbed->entry_log)) == 0)
    throw std::runtime_error("host module not registered");
  return testbed;
}

bool SegmentProbe::WriteAt(EmulatedProcess& process, uint32_t address) {
  const uint32_t data = address + 0x100;
  std::vector<uint8_t> code = {0x8B, 0x44, 0x24, 0x04};  // mov eax, [esp+4]
  // add eax, [data] through ds (no prefix), es, fs and gs
  for (const uint8_t prefix : {uint8_t{0}, uint8_t{0x26}, uint8_t{0x64}, uint8_t{0x65}}) {
    if (prefix != 0) code.push_back(prefix);
    code.insert(code.end(), {0x03, 0x05, static_cast<uint8_t>(data), static_cast<uint8_t>(data >> 8),
                             static_cast<uint8_t>(data >> 16), static_cast<uint8_t>(data >> 24)});
  }
  code.insert(code.end(), {0xC2, 0x04, 0x00});  // ret 4
  code.resize(0x104, 0xCC);
  code[0x100] = static_cast<uint8_t>(kDataWord);
  code[0x101] = code[0x102] = code[0x103] = 0;
  return process.CopyToProcess(address, code);
}

uint32_t SegmentProbe::Place(EmulatedProcess& process) {
  const uint32_t at = process.AllocateImage(0, EmulatedProcess::kPageSize);
  if (at == 0 || !WriteAt(process, at)) return 0;
  return at;
}

}  // namespace pindrel::testing
