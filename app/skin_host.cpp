#include "app/skin_host.h"

#include <QApplication>
#include <array>
#include <vector>

#include "loader/byte_view.h"

extern "C" {
#include "resources/skin_engine/skin_format.h"
}

namespace pindrel {

namespace {

// Which groups a colour goes to: text colours stay out of the disabled
// group, which COLOR_GRAYTEXT alone fills, so the order of the entries does
// not matter.
enum class Groups { All, Enabled, Disabled };

struct RoleOfColor {
  uint32_t index;
  QPalette::ColorRole role;
  Groups groups;
};

// On Windows dialogs and forms are drawn in COLOR_BTNFACE, so the face is the
// window background as well as the button's.
constexpr std::array<RoleOfColor, 20> kRoles{{
    {SHE_COLOR_WINDOW, QPalette::Base, Groups::All},
    {SHE_COLOR_WINDOWTEXT, QPalette::WindowText, Groups::Enabled},
    {SHE_COLOR_WINDOWTEXT, QPalette::Text, Groups::Enabled},
    {SHE_COLOR_HIGHLIGHT, QPalette::Highlight, Groups::All},
    {SHE_COLOR_HIGHLIGHTTEXT, QPalette::HighlightedText, Groups::All},
    {SHE_COLOR_BTNFACE, QPalette::Button, Groups::All},
    {SHE_COLOR_BTNFACE, QPalette::Window, Groups::All},
    {SHE_COLOR_BTNSHADOW, QPalette::Mid, Groups::All},
    {SHE_COLOR_BTNSHADOW, QPalette::Dark, Groups::All},
    {SHE_COLOR_GRAYTEXT, QPalette::WindowText, Groups::Disabled},
    {SHE_COLOR_GRAYTEXT, QPalette::Text, Groups::Disabled},
    {SHE_COLOR_GRAYTEXT, QPalette::ButtonText, Groups::Disabled},
    {SHE_COLOR_GRAYTEXT, QPalette::PlaceholderText, Groups::All},
    {SHE_COLOR_BTNTEXT, QPalette::ButtonText, Groups::Enabled},
    {SHE_COLOR_BTNHIGHLIGHT, QPalette::Light, Groups::All},
    {SHE_COLOR_3DDKSHADOW, QPalette::Shadow, Groups::All},
    {SHE_COLOR_3DLIGHT, QPalette::Midlight, Groups::All},
    {SHE_COLOR_INFOTEXT, QPalette::ToolTipText, Groups::All},
    {SHE_COLOR_INFOBK, QPalette::ToolTipBase, Groups::All},
    {SHE_COLOR_HOTLIGHT, QPalette::Link, Groups::All},
}};

void PutColour(QPalette& palette, const RoleOfColor& r, const QColor& colour) {
  if (r.groups != Groups::Disabled) {
    palette.setColor(QPalette::Active, r.role, colour);
    palette.setColor(QPalette::Inactive, r.role, colour);
  }
  if (r.groups != Groups::Enabled) palette.setColor(QPalette::Disabled, r.role, colour);
}

QString Css(const QColor& c) { return c.name(QColor::HexRgb); }

bool ReadWords(EmulatedProcess& process, uint32_t address, uint32_t count, std::vector<uint32_t>& out) {
  std::vector<uint8_t> bytes(4 * std::size_t{count});
  if (!process.CopyFromProcess(address, bytes)) return false;
  out.resize(count);
  for (uint32_t i = 0; i < count; ++i) out[i] = LoadLe32(bytes.data() + 4 * std::size_t{i});
  return true;
}

}  // namespace

QColor FromColorRef(uint32_t colorref) {
  return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                static_cast<int>((colorref >> 16) & 0xFF));
}

bool SetPaletteSysColor(QPalette& palette, uint32_t index, const QColor& colour) {
  bool known = false;
  for (const RoleOfColor& r : kRoles) {
    if (r.index != index) continue;
    PutColour(palette, r, colour);
    known = true;
  }
  return known;
}

QString ButtonStyleSheet(const QPalette& palette, const ButtonFrame& frame) {
  const QString face = Css(palette.color(QPalette::Active, QPalette::Button));
  const QString text = Css(palette.color(QPalette::Active, QPalette::ButtonText));
  const QString light = Css(palette.color(QPalette::Active, QPalette::Light));
  const QString midlight = Css(palette.color(QPalette::Active, QPalette::Midlight));
  const QString shadow = Css(palette.color(QPalette::Active, QPalette::Dark));
  const QString gray = Css(palette.color(QPalette::Disabled, QPalette::ButtonText));
  const QString focus = Css(palette.color(QPalette::Active, QPalette::Highlight));
  const QString line = Css(frame.colour);
  const QString width = QString::number(frame.width) + QStringLiteral("px");
  const QString radius = QString::number(frame.radius) + QStringLiteral("px");

  QString normal;
  QString pressed = QStringLiteral("background-color: %1;").arg(shadow);
  switch (frame.style) {
    case SHE_FRAME_OUTSET:
      normal = QStringLiteral("background-color: %1; border: %2 outset %3; border-radius: %4;")
                   .arg(face, width, line, radius);
      pressed += QStringLiteral(" border-style: inset;");
      break;
    case SHE_FRAME_RIDGE:
      normal = QStringLiteral("background-color: %1; border: %2 ridge %3; border-radius: %4;")
                   .arg(face, width, line, radius);
      break;
    case SHE_FRAME_GRADIENT:
      normal = QStringLiteral(
                   "background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 %1, stop: 1 %2); "
                   "border: %3 solid %4; border-radius: %5;")
                   .arg(light, face, width, line, radius);
      break;
    case SHE_FRAME_UNDERLINE:
      normal = QStringLiteral("background-color: %1; border: none; border-bottom: %2 solid %3;")
                   .arg(face, width, line);
      break;
    default:  // SHE_FRAME_FLAT
      normal = QStringLiteral("background-color: %1; border: %2 solid %3; border-radius: %4;")
                   .arg(face, width, line, radius);
      break;
  }
  return QStringLiteral(
             "QPushButton { color: %1; %2 padding: 2px 6px; }\n"
             "QPushButton:hover { background-color: %3; }\n"
             "QPushButton:pressed { %4 }\n"
             "QPushButton:focus { border-color: %5; }\n"
             "QPushButton:disabled { color: %6; }\n")
      .arg(text, normal, midlight, pressed, focus, gray);
}

bool SkinHost::RegisterModules(EmulatedProcess& process) {
  HostModule user32{"USER32.dll",
                    {{"SetSysColors", 0, 3, CallingConvention::Stdcall,
                      [this](HostCall& call) { return SetSysColors(call); }}}};
  HostModule own{"PINDRELSKIN.DLL",
                 {{"PindrelSkin_Begin", 0, 4, CallingConvention::Stdcall,
                   [this](HostCall& call) { return Begin(call); }},
                  {"PindrelSkin_SetButtonFrame", 0, 4, CallingConvention::Stdcall,
                   [this](HostCall& call) { return SetButtonFrame(call); }},
                  {"PindrelSkin_End", 0, 1, CallingConvention::Stdcall,
                   [this](HostCall& call) { return End(call); }}}};
  return process.RegisterHostModule(std::move(user32)) != 0 && process.RegisterHostModule(std::move(own)) != 0;
}

uint32_t SkinHost::Begin(HostCall& call) {
  ++calls_;
  pending_.reset();
  const std::optional<std::string> name = call.process().ReadString(call.argument(3), SHE_MAX_NAME);
  if (!name) return 0;
  if (!unskinned_) unskinned_ = QApplication::palette();
  pending_ = Pending{AppliedSkin{call.argument(0), call.argument(1), call.argument(2), *name}, *unskinned_,
                     ButtonFrame{}};
  return 1;
}

// BOOL SetSysColors(int cElements, const INT* lpaElements, const COLORREF* lpaRgbValues).
// Inside a skin the colours join the pending look; on their own they change
// the application's palette at once, as the Win32 call changes the system's.
uint32_t SkinHost::SetSysColors(HostCall& call) {
  ++calls_;
  const auto count = static_cast<int32_t>(call.argument(0));
  if (count < 0 || static_cast<uint32_t>(count) > kMaxSysColors) return 0;
  std::vector<uint32_t> indices;
  std::vector<uint32_t> values;
  if (!ReadWords(call.process(), call.argument(1), static_cast<uint32_t>(count), indices) ||
      !ReadWords(call.process(), call.argument(2), static_cast<uint32_t>(count), values))
    return 0;
  QPalette palette = pending_ ? pending_->palette : QApplication::palette();
  for (std::size_t i = 0; i < indices.size(); ++i) SetPaletteSysColor(palette, indices[i], FromColorRef(values[i]));
  if (pending_) {
    pending_->palette = palette;
  } else {
    QApplication::setPalette(palette);
  }
  return 1;
}

uint32_t SkinHost::SetButtonFrame(HostCall& call) {
  ++calls_;
  const uint32_t style = call.argument(0);
  const uint32_t radius = call.argument(1);
  const uint32_t width = call.argument(2);
  if (!pending_ || style >= SHE_FRAME_STYLE_COUNT || radius > SHE_MAX_CORNER_RADIUS ||
      width < SHE_MIN_FRAME_WIDTH || width > SHE_MAX_FRAME_WIDTH || call.argument(3) > 0xFFFFFF)
    return 0;
  pending_->frame = ButtonFrame{style, radius, width, FromColorRef(call.argument(3))};
  return 1;
}

uint32_t SkinHost::End(HostCall& call) {
  ++calls_;
  if (!pending_) return 0;
  Pending done = std::move(*pending_);
  pending_.reset();
  if (call.argument(0) == 0) return 1;  // dropped
  QApplication::setPalette(done.palette);
  qApp->setStyleSheet(ButtonStyleSheet(done.palette, done.frame));
  applied_ = std::move(done.skin);
  return 1;
}

}  // namespace pindrel
