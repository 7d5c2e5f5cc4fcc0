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
  auto t = std::make_unique<TestProcess>();
  t->process = EmulatedProcess::Create();
  if (!t->process) throw std::runtime_error("unicorn could not be set up");
  if (register_host && t->process->RegisterHostModule(TestHostModule(t->entry_log)) == 0)
    throw std::runtime_error("host module not registered");
  return t;
}

}  // namespace pindrel::testing
