// The host side of the skin engine: the procedures the engine imports, as
// host modules of the emulated process, mapped onto the application's Qt
// look. The engine reads and checks a skin and calls them with plain values;
// nothing here reads a skin.
//
//   USER32.dll       SetSysColors(cElements, lpaElements, lpaRgbValues)
//                    the Win32 call: COLOR_* indices and COLORREF values
//                    (0x00BBGGRR), mapped onto QPalette roles
//   PINDRELSKIN.DLL  PindrelSkin_Begin(skin, length, checksum, name)
//                    PindrelSkin_SetButtonFrame(style, radius, width, colour)
//                    PindrelSkin_End(apply)
//
// Between Begin and End the values collect in a pending look; End (1) puts it
// on the whole application at once (QApplication palette and style sheet),
// so windows opened later have it too. Every skin starts from the look the
// application had before the first one, so applying skin a and then skin b
// gives exactly skin b. The font is never touched.
#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "loader/emulated_process.h"

namespace pindrel {

// What the engine reported of the skin it applied last.
struct AppliedSkin {
  uint32_t address = 0;   // where in the process the engine read the skin
  uint32_t length = 0;    // its length in bytes
  uint32_t checksum = 0;  // the CRC-32 the engine computed over those bytes
  std::string name;
};

// The button frame of a skin; style is one of the frame styles of the skin
// format (flat, outset, ridge, gradient, underline).
struct ButtonFrame {
  uint32_t style = 0;
  uint32_t radius = 0;
  uint32_t width = 1;
  QColor colour;
};

class SkinHost {
 public:
  static constexpr uint32_t kMaxSysColors = 64;  // per SetSysColors call

  SkinHost() = default;
  SkinHost(const SkinHost&) = delete;
  SkinHost& operator=(const SkinHost&) = delete;

  // Registers USER32.dll and PINDRELSKIN.DLL on the process with this host's
  // procedures; the host must outlive the process. False when either name is
  // taken.
  bool RegisterModules(EmulatedProcess& process);

  // Calls of any of the procedures so far.
  int procedure_calls() const { return calls_; }
  // The last skin that End (1) put on the application.
  const std::optional<AppliedSkin>& applied() const { return applied_; }

 private:
  struct Pending {
    AppliedSkin skin;
    QPalette palette;
    ButtonFrame frame;
  };

  uint32_t Begin(HostCall& call);
  uint32_t SetSysColors(HostCall& call);
  uint32_t SetButtonFrame(HostCall& call);
  uint32_t End(HostCall& call);

  int calls_ = 0;
  std::optional<QPalette> unskinned_;  // the application's palette before the first skin
  std::optional<Pending> pending_;
  std::optional<AppliedSkin> applied_;
};

// Puts one COLOR_* colour on the palette; false for an index that has no
// palette role here (the colour is then ignored, as a look without that part).
bool SetPaletteSysColor(QPalette& palette, uint32_t index, const QColor& colour);

// COLORREF 0x00BBGGRR as a colour.
QColor FromColorRef(uint32_t colorref);

// The application style sheet for the buttons of a skin: its frame with the
// palette's button colours. Sets no font.
QString ButtonStyleSheet(const QPalette& palette, const ButtonFrame& frame);

}  // namespace pindrel
