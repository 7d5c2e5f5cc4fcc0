#include "app/skin_attach.h"

#include "resources/skin_engine/stored_skins.h"

namespace pindrel {

std::unique_ptr<ModuleImage> skinLoader;

namespace {

// Declared before the process: its procedures are the host's, so the
// process goes first when the program ends.
std::unique_ptr<SkinHost> host;
std::unique_ptr<EmulatedProcess> process;
bool skins_mapped = false;
std::optional<ByteArray> engine_image_for_testing;

}  // namespace

bool CreateSkinLoader() {
  skinLoader.reset();
  process.reset();
  host = std::make_unique<SkinHost>();
  skins_mapped = false;
  process = EmulatedProcess::Create();
  if (process == nullptr) return false;
  // Without its host modules the engine cannot bind its imports, and its
  // Load fails; the loader object is there all the same.
  host->RegisterModules(*process);
  const std::span<const uint8_t> data = SkinData();
  skins_mapped = process->MapHostReadOnly(kSkinDataAddress, data.data(), static_cast<uint32_t>(data.size()));
  skinLoader = std::make_unique<ModuleImage>(*process);
  return true;
}

int LoadSkinEngine() {
  if (skinLoader != nullptr) skinLoader->Load(engine_image_for_testing ? *engine_image_for_testing : SkinEngineImage());
  return 0;
}

void ApplySkin(int number) {
  if (number < 1 || number > kSkinCount) return;
  AttachSkinBlob(SkinBlobs()[static_cast<std::size_t>(number - 1)]);
}

uint32_t AttachSkinBlob(std::span<const uint8_t> blob) {
  if (skinLoader == nullptr || !skins_mapped) return 0;
  const uint32_t address = skinLoader->FindExport(Text::from_bytes("SkinH_AttachRes"));
  if (address == 0) return 0;
  // The skin's address in the process: the same offset into the mapping as
  // into the constant data.
  const std::span<const uint8_t> data = SkinData();
  const auto start = reinterpret_cast<std::uintptr_t>(data.data());
  const auto at = reinterpret_cast<std::uintptr_t>(blob.data());
  if (at < start || blob.size() > data.size() || at - start > data.size() - blob.size()) return 0;
  const auto offset = static_cast<uint32_t>(at - start);
  return CallAddress(*process, address, kSkinDataAddress + offset, static_cast<uint32_t>(blob.size()));
}

void ReleaseSkinLoader() {
  if (skinLoader == nullptr) return;
  skinLoader->Release();
  skinLoader.reset();
}

EmulatedProcess* skin_process() { return process.get(); }
SkinHost* skin_host() { return host.get(); }

void SetSkinEngineImageForTesting(std::optional<ByteArray> image) { engine_image_for_testing = std::move(image); }

}  // namespace pindrel
