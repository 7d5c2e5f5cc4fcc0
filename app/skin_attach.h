// The skin attach: the program's one module loader object, skinLoader, on an
// emulated 32-bit process that carries the skin engine's host modules
// (skin_host.h) and the 33 stored skins, mapped read-only straight from the
// program's constant data; the start-up load of the stored engine; and the
// attach of a stored skin through the engine's export SkinH_AttachRes.
//
//   CreateSkinLoader();   // start-up step 2
//   LoadSkinEngine();     // step 3, result ignored
//   ApplySkin(1);         // MainWindow's created event
//   ...
//   ReleaseSkinLoader();  // the exit routine; the engine stays mapped
//
// Every failure is silent: the windows then keep the look they have.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "app/skin_host.h"
#include "foundation/text.h"
#include "loader/emulated_process.h"
#include "loader/module_image.h"

namespace pindrel {

// The program's one ModuleImage: null until CreateSkinLoader and again after
// ReleaseSkinLoader.
extern std::unique_ptr<ModuleImage> skinLoader;

// Where the stored skins lie in the emulated process: SkinData() from its
// first byte, read-only.
inline constexpr uint32_t kSkinDataAddress = 0x00400000;

// The emulated process with the engine's host modules registered and the
// stored skins mapped, and skinLoader on it, holding no image. False when
// the process cannot be set up; skinLoader is then null. A later call starts
// over with a new process.
bool CreateSkinLoader();

// Load of skinLoader with the stored engine image; the result is not looked
// at. Returns 0.
int LoadSkinEngine();

// For 1 to 33, AttachSkinBlob with that stored skin; for any other number
// nothing. The result is dropped.
void ApplySkin(int number);

// Calls the engine's SkinH_AttachRes with the skin's address in the process
// and its length, and returns what it returned. The skin must be one of the
// stored skins (inside SkinData()): it is handed on by address, never
// copied. 0 without a loader, without the export (FindExport gives 0), or
// for bytes outside the stored skins.
uint32_t AttachSkinBlob(std::span<const uint8_t> blob);

// The exit routine's part: Release of skinLoader, then the object itself.
// No Unload: the engine stays mapped and gets no detach call.
void ReleaseSkinLoader();

// The process and host behind skinLoader; null before CreateSkinLoader.
EmulatedProcess* skin_process();
SkinHost* skin_host();

// For tests: LoadSkinEngine loads this image in place of SkinEngineImage()
// until called again with nullopt.
void SetSkinEngineImageForTesting(std::optional<ByteArray> image);

}  // namespace pindrel
