// The skin attach with the real engine (built from resources/skin_engine),
// the real emulated process and real widgets on the offscreen platform: the
// engine image as it is stored, the stored skins mapped without a copy, the
// engine's checks seen from its host procedures, and the look each skin puts
// on the application and on windows opened later.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/cover_window.h"
#include "app/main_window.h"
#include "app/skin_attach.h"
#include "app/skin_host.h"
#include "loader/byte_view.h"
#include "loader/pe_format.h"
#include "resources/skin_engine/skin_table.h"
#include "resources/skin_engine/stored_skins.h"

extern "C" {
#include "resources/skin_engine/skin_format.h"
}

namespace pindrel {
namespace {

using skins::SkinRow;

std::vector<SkinRow> TableRows() {
  std::ifstream in(PINDREL_SKIN_TABLE, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string error;
  auto rows = skins::ParseSkinTable(text.str(), error);
  EXPECT_TRUE(rows.has_value()) << error;
  return rows.value_or(std::vector<SkinRow>{});
}

QColor Rgb(uint32_t rgb) { return QColor(QRgb(rgb)); }

uint32_t Le32(const std::vector<uint8_t>& b, std::size_t at) {
  return LoadLe32(b.data() + at);
}

void PutLe32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) { StoreLe32(b.data() + at, v); }

std::vector<uint8_t> Bytes(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> GuestBytes(uint32_t address, std::size_t n) {
  std::vector<uint8_t> out(n);
  EXPECT_TRUE(skin_process()->CopyFromProcess(address, out)) << std::hex << address;
  return out;
}

// The look of the application as a comparable value: every palette colour
// of every group, and the style sheet.
std::string Look() {
  const QPalette p = QApplication::palette();
  std::string key;
  for (int g = 0; g < QPalette::NColorGroups; ++g)
    for (int r = 0; r < QPalette::NColorRoles; ++r)
      key += p.color(static_cast<QPalette::ColorGroup>(g), static_cast<QPalette::ColorRole>(r))
                 .name(QColor::HexArgb)
                 .toStdString();
  return key + "|" + qApp->styleSheet().toStdString();
}

// A fresh loader with the stored engine for every test, and the
// application's look put back afterwards.
class SkinAttach : public ::testing::Test {
 protected:
  void SetUp() override {
    palette_ = QApplication::palette();
    font_ = QApplication::font();
    ASSERT_TRUE(CreateSkinLoader());
    EXPECT_EQ(LoadSkinEngine(), 0);
    ASSERT_NE(skinLoader->GetImageBase(), 0u) << "the stored engine did not load";
  }
  void TearDown() override {
    ReleaseSkinLoader();
    QApplication::setPalette(palette_);
    qApp->setStyleSheet(QString());
  }

  uint32_t Export(const char* name) const { return skinLoader->FindExport(Text::from_bytes(name)); }

  // Calls SkinH_AttachRes on bytes put into the process's own memory (not
  // the stored skins), as the engine would see a skin from anywhere.
  uint32_t AttachCopy(const std::vector<uint8_t>& skin, uint32_t length) {
    if (scratch_ == 0) scratch_ = skin_process()->AllocateImage(0, 0x10000);
    EXPECT_NE(scratch_, 0u);
    EXPECT_TRUE(skin_process()->CopyToProcess(scratch_, skin));
    return CallAddress(*skin_process(), Export("SkinH_AttachRes"), scratch_, length);
  }
  uint32_t LastError() { return CallAddress(*skin_process(), Export("SkinH_LastError")); }

  QPalette palette_;
  QFont font_;
  uint32_t scratch_ = 0;
};

// --- the engine image -------------------------------------------------------

TEST_F(SkinAttach, StoredEngineIsARelocatableDllWhoseEntryFillsItsUninitialisedSection) {
  const auto& nt = skinLoader->nt_headers();
  EXPECT_NE(nt.FileHeader.Characteristics & pe::kFileDll, 0);
  EXPECT_GT(nt.OptionalHeader.DataDirectory[pe::kDirectoryBaseRelocation].Size, 0u);

  const ByteArray image = SkinEngineImage();
  ASSERT_GE(image.size(), 2u);
  EXPECT_EQ(std::memcmp(image.data(), "MZ", 2), 0);

  // A section without raw data: zero in the file, filled by the entry
  // routine once loaded (the engine's state with its CRC table).
  const uint32_t base = skinLoader->GetImageBase();
  bool found = false;
  for (const auto& s : skinLoader->section_table()) {
    if (s.SizeOfRawData != 0 || s.VirtualSize == 0) continue;
    found = true;
    const std::vector<uint8_t> bytes = GuestBytes(base + s.VirtualAddress, s.VirtualSize);
    EXPECT_TRUE(std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; }));
  }
  EXPECT_TRUE(found) << "no section without raw data";
}

TEST_F(SkinAttach, EngineExportsAFewNamesInAscendingOrderAndImportsByNameOnly) {
  const uint32_t base = skinLoader->GetImageBase();
  const auto& dirs = skinLoader->nt_headers().OptionalHeader.DataDirectory;

  // Exports: names ascending, each name's ordinal index its position.
  const std::vector<uint8_t> ed = GuestBytes(base + dirs[pe::kDirectoryExport].VirtualAddress, 40);
  const uint32_t names = Le32(ed, 24);
  ASSERT_GE(names, 3u);
  ASSERT_LE(names, 8u);
  const std::vector<uint8_t> name_rvas = GuestBytes(base + Le32(ed, 32), 4 * names);
  const std::vector<uint8_t> ordinals = GuestBytes(base + Le32(ed, 36), 2 * names);
  std::vector<std::string> exported;
  for (uint32_t i = 0; i < names; ++i) {
    exported.push_back(skin_process()->ReadString(base + Le32(name_rvas, 4 * i), 64).value_or(""));
    EXPECT_EQ(LoadLe16(ordinals.data() + 2 * i), i);
    EXPECT_EQ(exported.back().find('@'), std::string::npos) << exported.back() << " is decorated";
  }
  EXPECT_TRUE(std::is_sorted(exported.begin(), exported.end()));
  EXPECT_NE(std::find(exported.begin(), exported.end(), "SkinH_AttachRes"), exported.end());

  // Imports: every entry of every lookup table names its procedure.
  std::set<std::string> modules;
  for (uint32_t at = dirs[pe::kDirectoryImport].VirtualAddress;; at += 20) {
    const std::vector<uint8_t> d = GuestBytes(base + at, 20);
    if (Le32(d, 16) == 0) break;
    modules.insert(skin_process()->ReadString(base + Le32(d, 12), 64).value_or(""));
    ASSERT_NE(Le32(d, 0), 0u) << "no lookup table";
    for (uint32_t t = Le32(d, 0);; t += 4) {
      const uint32_t entry = Le32(GuestBytes(base + t, 4), 0);
      if (entry == 0) break;
      EXPECT_EQ(entry & pe::kOrdinalFlag32, 0u) << "import by ordinal";
    }
  }
  EXPECT_EQ(modules, (std::set<std::string>{"PINDRELSKIN.DLL", "USER32.dll"}));
}

// --- the stored skins -------------------------------------------------------

TEST_F(SkinAttach, StoredSkinsLieBackToBackInNumberOrderInWholeAlignedPages) {
  const std::span<const uint8_t> data = SkinData();
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data.data()) % 4096, 0u);
  EXPECT_EQ(data.size() % 4096, 0u);
  const auto rows = TableRows();
  ASSERT_EQ(rows.size(), std::size_t{kSkinCount});
  const uint8_t* next = data.data();
  for (int n = 1; n <= kSkinCount; ++n) {
    const auto blob = SkinBlobs()[n - 1];
    SCOPED_TRACE(n);
    EXPECT_EQ(blob.data(), next);
    ASSERT_GE(blob.size(), 4u);
    EXPECT_EQ(std::memcmp(blob.data(), ".SHE", 4), 0);
    EXPECT_EQ(Bytes(blob), skins::BuildSkin(rows[n - 1]));
    next = blob.data() + blob.size();
  }
  // The same bytes, read by the guest from the mapping.
  EXPECT_EQ(GuestBytes(kSkinDataAddress, data.size()), Bytes(data));
}

// --- ApplySkin and AttachSkinBlob ---------------------------------------------

TEST_F(SkinAttach, ApplySkinOneHandsTheEngineExactlySkinOnesBytes) {
  ApplySkin(1);
  const auto& applied = skin_host()->applied();
  ASSERT_TRUE(applied.has_value());
  const auto blob = SkinBlobs()[0];
  const auto offset = static_cast<uint32_t>(blob.data() - SkinData().data());
  EXPECT_EQ(applied->address, kSkinDataAddress + offset);
  EXPECT_EQ(applied->length, blob.size());
  // The checksum the engine computed over what it read is that of skin 1.
  EXPECT_EQ(applied->checksum, skins::SkinChecksum(blob));
  EXPECT_EQ(applied->name, TableRows().at(0).name);
  const std::vector<uint8_t> seen = GuestBytes(applied->address, applied->length);
  EXPECT_EQ(seen, Bytes(blob));
  EXPECT_EQ(std::memcmp(seen.data(), ".SHE", 4), 0);
}

TEST_F(SkinAttach, EveryStoredSkinIsAcceptedAndGivesItsOwnLook) {
  const auto rows = TableRows();
  ASSERT_EQ(rows.size(), std::size_t{kSkinCount});
  std::set<std::string> looks;
  std::set<QRgb> faces;
  for (int n = 1; n <= kSkinCount; ++n) {
    SCOPED_TRACE(n);
    const SkinRow& row = rows[n - 1];
    ASSERT_EQ(AttachSkinBlob(SkinBlobs()[n - 1]), 1u);
    EXPECT_EQ(LastError(), uint32_t{SHE_OK});
    ASSERT_TRUE(skin_host()->applied().has_value());
    EXPECT_EQ(skin_host()->applied()->name, row.name);

    const QPalette p = QApplication::palette();
    EXPECT_EQ(p.color(QPalette::Button), Rgb(row.face));
    EXPECT_EQ(p.color(QPalette::Window), Rgb(row.face));
    EXPECT_EQ(p.color(QPalette::Base), Rgb(row.window));
    EXPECT_EQ(p.color(QPalette::Text), Rgb(row.text));
    EXPECT_EQ(p.color(QPalette::WindowText), Rgb(row.text));
    EXPECT_EQ(p.color(QPalette::ButtonText), Rgb(row.button_text));
    EXPECT_EQ(p.color(QPalette::Highlight), Rgb(row.highlight));
    EXPECT_EQ(p.color(QPalette::HighlightedText), Rgb(row.highlight_text));
    EXPECT_TRUE(qApp->styleSheet().contains(Rgb(row.frame_colour).name())) << qApp->styleSheet().toStdString();
    // A skin changes colours and frames, never the font.
    EXPECT_EQ(QApplication::font(), font_);
    looks.insert(Look());
    faces.insert(p.color(QPalette::Button).rgb());
  }
  EXPECT_EQ(looks.size(), std::size_t{kSkinCount});
  EXPECT_EQ(faces.size(), std::size_t{kSkinCount});
}

// WCAG 2 contrast ratio of two colours, 1 to 21.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The forms put some controls with the default text colour on white (the
// banner's label, the check box over the information box), others on the
// window's own colour; every skin must leave all of them readable.
TEST_F(SkinAttach, EverySkinKeepsTextReadableOnTheFormsWhiteAndOnItsOwnColours) {
  constexpr double kReadable = 4.5;
  const QColor white(Qt::white);
  for (int n = 1; n <= kSkinCount; ++n) {
    SCOPED_TRACE(n);
    ApplySkin(n);
    const QPalette p = QApplication::palette();
    EXPECT_GE(Contrast(p.color(QPalette::WindowText), white), kReadable);
    EXPECT_GE(Contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), kReadable);
    EXPECT_GE(Contrast(p.color(QPalette::Text), p.color(QPalette::Base)), kReadable);
    EXPECT_GE(Contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)), kReadable);
    EXPECT_GE(Contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), kReadable);
  }
}

TEST_F(SkinAttach, ALaterSkinReplacesTheEarlierOneWhole) {
  ApplySkin(2);
  const std::string two = Look();
  ApplySkin(5);
  ASSERT_NE(Look(), two);
  ApplySkin(2);
  EXPECT_EQ(Look(), two);
}

TEST_F(SkinAttach, NumbersOutsideOneToThirtyThreeChangeNothing) {
  ApplySkin(4);
  const std::string before = Look();
  const int calls = skin_host()->procedure_calls();
  for (int n : {0, 34, -1, 1000}) {
    SCOPED_TRACE(n);
    ApplySkin(n);
    EXPECT_EQ(Look(), before);
    EXPECT_EQ(skin_host()->procedure_calls(), calls);
  }
}

TEST_F(SkinAttach, BytesOutsideTheStoredSkinsAreNotHandedOn) {
  const std::vector<uint8_t> copy = Bytes(SkinBlobs()[0]);
  const std::string before = Look();
  EXPECT_EQ(AttachSkinBlob(copy), 0u);
  // Starting inside the stored block, running past its end.
  const std::span<const uint8_t> data = SkinData();
  EXPECT_EQ(AttachSkinBlob(std::span<const uint8_t>(data.data() + data.size() - 4, 8)), 0u);
  EXPECT_EQ(skin_host()->procedure_calls(), 0);
  EXPECT_EQ(Look(), before);
}

TEST_F(SkinAttach, WithoutTheLoaderApplySkinDoesNothing) {
  ReleaseSkinLoader();
  const std::string before = Look();
  ApplySkin(1);
  EXPECT_EQ(AttachSkinBlob(SkinBlobs()[0]), 0u);
  EXPECT_EQ(Look(), before);
}

// --- the engine's checks --------------------------------------------------------

struct Malformed {
  const char* what;
  // Edits a copy of skin 1 and gives the length to pass.
  uint32_t (*edit)(std::vector<uint8_t>& skin);
  uint32_t error;  // SkinH_LastError afterwards
};

uint32_t Whole(std::vector<uint8_t>& s) { return static_cast<uint32_t>(s.size()); }
uint32_t Resealed(std::vector<uint8_t>& s) {
  skins::SealSkin(s);
  return Whole(s);
}

const Malformed kMalformed[] = {
    {"the skin as stored (control)", [](std::vector<uint8_t>& s) { return Whole(s); }, SHE_OK},
    {"one byte short of its stored length",
     [](std::vector<uint8_t>& s) { return Whole(s) - 1; }, SHE_ERR_LENGTH},
    {"cut inside the header", [](std::vector<uint8_t>&) { return uint32_t{16}; }, SHE_ERR_TOO_SHORT},
    {"cut before its frame block, length and checksum made to match",
     [](std::vector<uint8_t>& s) {
       s.resize(s.size() - 8);
       PutLe32(s, SHE_LENGTH_OFFSET, static_cast<uint32_t>(s.size()));
       return Resealed(s);
     },
     SHE_ERR_FRAME},
    {"colour table beyond the end",
     [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_COLOURS_OFFSET, static_cast<uint32_t>(s.size()));
       return Resealed(s);
     },
     SHE_ERR_COLOUR_TABLE},
    {"colour table offset that wraps around",
     [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_COLOURS_OFFSET, 0xFFFFFFF8u);
       return Resealed(s);
     },
     SHE_ERR_COLOUR_TABLE},
    {"frame block one byte past the end",
     [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_FRAME_OFFSET, static_cast<uint32_t>(s.size()) - SHE_FRAME_SIZE + 1);
       return Resealed(s);
     },
     SHE_ERR_FRAME},
    {"name at the end", [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_NAME_OFFSET, static_cast<uint32_t>(s.size()));
       return Resealed(s);
     },
     SHE_ERR_NAME},
    {"name inside the header", [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_NAME_OFFSET, 4);
       return Resealed(s);
     },
     SHE_ERR_NAME},
    {"wrong magic", [](std::vector<uint8_t>& s) {
       s[1] = 'X';
       return Resealed(s);
     },
     SHE_ERR_MAGIC},
    {"unknown version", [](std::vector<uint8_t>& s) {
       s[SHE_VERSION_OFFSET] = 2;
       return Resealed(s);
     },
     SHE_ERR_VERSION},
    {"a colour changed after sealing", [](std::vector<uint8_t>& s) {
       s[Le32(s, SHE_COLOURS_OFFSET) + 4] ^= 0x01;
       return Whole(s);
     },
     SHE_ERR_CHECKSUM},
    {"no colours", [](std::vector<uint8_t>& s) {
       PutLe32(s, SHE_COLOUR_COUNT_OFFSET, 0);
       return Resealed(s);
     },
     SHE_ERR_COLOUR_COUNT},
    {"a COLOR_ index past the last", [](std::vector<uint8_t>& s) {
       PutLe32(s, Le32(s, SHE_COLOURS_OFFSET), SHE_MAX_SYS_COLOR + 1);
       return Resealed(s);
     },
     SHE_ERR_COLOUR_VALUE},
    {"an unknown frame style", [](std::vector<uint8_t>& s) {
       PutLe32(s, Le32(s, SHE_FRAME_OFFSET), SHE_FRAME_STYLE_COUNT);
       return Resealed(s);
     },
     SHE_ERR_FRAME_VALUE},
};

TEST_F(SkinAttach, EngineRefusesMalformedSkinsBeforeAnyHostCall) {
  for (const Malformed& m : kMalformed) {
    SCOPED_TRACE(m.what);
    std::vector<uint8_t> skin = Bytes(SkinBlobs()[0]);
    const uint32_t length = m.edit(skin);
    const std::string before = Look();
    const int calls = skin_host()->procedure_calls();
    const uint32_t result = AttachCopy(skin, length);
    EXPECT_EQ(skin_process()->last_call_outcome(), EmulatedProcess::CallOutcome::Returned);
    EXPECT_EQ(LastError(), m.error);
    if (m.error == SHE_OK) {
      EXPECT_EQ(result, 1u);
      EXPECT_GT(skin_host()->procedure_calls(), calls);
      QApplication::setPalette(palette_);
      qApp->setStyleSheet(QString());
    } else {
      EXPECT_EQ(result, 0u);
      EXPECT_EQ(skin_host()->procedure_calls(), calls);
      EXPECT_EQ(Look(), before);
    }
  }
}

TEST_F(SkinAttach, EngineRefusesAddressZero) {
  EXPECT_EQ(CallAddress(*skin_process(), Export("SkinH_AttachRes"), 0, 100), 0u);
  EXPECT_EQ(LastError(), uint32_t{SHE_ERR_NO_BLOB});
  EXPECT_EQ(skin_host()->procedure_calls(), 0);
}

// SetSysColors called on its own, as guest code would call the Win32 call:
// the colours go on the application at once; a count the host does not take
// or arrays outside the process change nothing.
TEST_F(SkinAttach, SetSysColorsOnItsOwnChangesThePaletteAtOnce) {
  EmulatedProcess& process = *skin_process();
  const uint32_t set_sys_colors = process.FindProcedure(process.FindModule("USER32.dll"), "SetSysColors");
  ASSERT_NE(set_sys_colors, 0u);
  const uint32_t arrays = process.AllocateImage(0, 0x1000);
  ASSERT_NE(arrays, 0u);
  std::vector<uint8_t> words(16);
  PutLe32(words, 0, SHE_COLOR_BTNFACE);
  PutLe32(words, 4, SHE_COLOR_WINDOW);
  PutLe32(words, 8, 0x00332211);  // COLORREF: red 0x11, green 0x22, blue 0x33
  PutLe32(words, 12, 0x00665544);
  ASSERT_TRUE(process.CopyToProcess(arrays, words));

  struct Case {
    const char* what;
    uint32_t count, indices, colours, result;
  };
  const Case refused[] = {
      {"a negative count", 0xFFFFFFFFu, arrays, arrays + 8, 0},
      {"more than the host takes", SkinHost::kMaxSysColors + 1, arrays, arrays + 8, 0},
      {"indices outside the process", 2, 0x00001000, arrays + 8, 0},
      {"colours outside the process", 2, arrays, 0x7FFFF000, 0},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.what);
    const std::string before = Look();
    EXPECT_EQ(CallAddress(process, set_sys_colors, c.count, c.indices, c.colours), c.result);
    EXPECT_EQ(process.last_call_outcome(), EmulatedProcess::CallOutcome::Returned);
    EXPECT_EQ(Look(), before);
  }
  EXPECT_EQ(CallAddress(process, set_sys_colors, 2, arrays, arrays + 8), 1u);
  EXPECT_EQ(QApplication::palette().color(QPalette::Button), QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), QColor(0x44, 0x55, 0x66));
}

// --- the look on the windows ----------------------------------------------------

// The colour of a button's face, away from its caption and frame.
QColor ButtonFace(QPushButton& b) {
  const QImage shot = b.grab().toImage();
  return shot.pixelColor(6, shot.height() / 2);
}

TEST_F(SkinAttach, WindowsOpenedLaterWearTheSkin) {
  const auto rows = TableRows();
  // Flat frames, so the face is one colour.
  for (int n : {2, 13, 33}) {
    SCOPED_TRACE(n);
    ApplySkin(n);
    QWidget later;
    auto* layout = new QVBoxLayout(&later);
    auto* b = new QPushButton(QStringLiteral("OK"), &later);
    b->setFixedSize(80, 24);
    layout->addWidget(b);
    later.show();
    EXPECT_EQ(later.palette().color(QPalette::Window), Rgb(rows[n - 1].face));
    EXPECT_EQ(ButtonFace(*b), Rgb(rows[n - 1].face));

    // The program's own later windows: the cover window and a message box
    // with its OK button.
    CoverWindow cover;
    cover.show();
    EXPECT_EQ(cover.palette().color(QPalette::Window), Rgb(rows[n - 1].face));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("caption"), QStringLiteral("text"), QMessageBox::Ok);
    box.show();
    auto* ok = qobject_cast<QPushButton*>(box.button(QMessageBox::Ok));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(box.palette().color(QPalette::WindowText), Rgb(rows[n - 1].text));
    EXPECT_EQ(ButtonFace(*ok), Rgb(rows[n - 1].face));
  }
}

TEST_F(SkinAttach, TheFormsOwnColoursStay) {
  // As at start-up: the form is made, its created event attaches the skin,
  // then it is shown.
  MainWindow window;
  ApplySkin(2);  // dark
  window.show();
  const QPalette info = window.编辑框_信息->palette();
  EXPECT_EQ(info.color(QPalette::Text), QColor(0, 128, 0));
  EXPECT_EQ(info.color(QPalette::Base), QColor(Qt::white));
  const QPalette address = window.编辑框_地址->palette();
  EXPECT_EQ(address.color(QPalette::Text), QColor(Qt::black));
  EXPECT_EQ(address.color(QPalette::Base), QColor(Qt::white));
  // What the form leaves at the default takes the skin.
  EXPECT_EQ(window.palette().color(QPalette::Window), Rgb(TableRows().at(1).face));
  EXPECT_EQ(window.解析->palette().color(QPalette::ButtonText), Rgb(TableRows().at(1).button_text));
}

// --- the host's colour mapping ---------------------------------------------------

TEST(SkinHostColours, TextColoursLeaveTheDisabledGroupToGrayText) {
  QPalette p(Qt::white);
  const QColor gray(1, 2, 3);
  const QColor text(4, 5, 6);
  // Either order gives the same palette.
  QPalette q = p;
  ASSERT_TRUE(SetPaletteSysColor(p, 17, gray));  // COLOR_GRAYTEXT
  ASSERT_TRUE(SetPaletteSysColor(p, 8, text));   // COLOR_WINDOWTEXT
  ASSERT_TRUE(SetPaletteSysColor(q, 8, text));
  ASSERT_TRUE(SetPaletteSysColor(q, 17, gray));
  EXPECT_EQ(p, q);
  EXPECT_EQ(p.color(QPalette::Active, QPalette::Text), text);
  EXPECT_EQ(p.color(QPalette::Inactive, QPalette::WindowText), text);
  EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text), gray);
  EXPECT_EQ(p.color(QPalette::Disabled, QPalette::ButtonText), gray);
}

TEST(SkinHostColours, IndicesWithoutARoleChangeNothing) {
  for (uint32_t index : {0u, 2u, 9u, 25u, 30u, 31u, 1000u}) {
    SCOPED_TRACE(index);
    QPalette p(Qt::white);
    const QPalette before = p;
    EXPECT_FALSE(SetPaletteSysColor(p, index, QColor(9, 9, 9)));
    EXPECT_EQ(p, before);
  }
  EXPECT_EQ(FromColorRef(0x00332211), QColor(0x11, 0x22, 0x33));
}

// --- host memory mapped into the process ------------------------------------------

struct alignas(4096) Pages {
  std::array<uint8_t, 2 * 4096> bytes{};
};

TEST(HostMemoryMapping, GuestReadsTheHostBytesThemselvesAndCannotWriteThem) {
  auto process = EmulatedProcess::Create();
  ASSERT_NE(process, nullptr);
  auto pages = std::make_unique<Pages>();
  pages->bytes[0] = 0x11;
  constexpr uint32_t at = 0x00500000;
  ASSERT_TRUE(process->MapHostReadOnly(at, pages->bytes.data(), 4096));

  std::array<uint8_t, 1> seen{};
  ASSERT_TRUE(process->CopyFromProcess(at, seen));
  EXPECT_EQ(seen[0], 0x11);
  pages->bytes[0] = 0x22;  // no copy: the guest sees the change
  ASSERT_TRUE(process->CopyFromProcess(at, seen));
  EXPECT_EQ(seen[0], 0x22);

  // Neither the host's copies nor guest code write there.
  EXPECT_FALSE(process->CopyToProcess(at + 16, std::array<uint8_t, 1>{0x33}));
  const uint32_t code = process->AllocateImage(0, 0x1000);
  ASSERT_NE(code, 0u);
  // mov dword [at], 1 ; ret
  std::array<uint8_t, 11> store{0xC7, 0x05, 0, 0, 0, 0, 1, 0, 0, 0, 0xC3};
  StoreLe32(store.data() + 2, at);
  ASSERT_TRUE(process->CopyToProcess(code, store));
  CallAddress(*process, code);
  EXPECT_EQ(process->last_call_outcome(), EmulatedProcess::CallOutcome::Faulted);
  EXPECT_EQ(pages->bytes[0], 0x22);
  EXPECT_EQ(pages->bytes[16], 0x00);
  // Reservations keep clear of the mapping.
  EXPECT_EQ(process->AllocateImage(at, 0x1000), 0u);
}

TEST(HostMemoryMapping, RefusesWhatUnicornCannotMapAsIs) {
  auto pages = std::make_unique<Pages>();
  const uint8_t* page = pages->bytes.data();
  struct Case {
    const char* what;
    uint32_t address;
    const void* host;
    uint32_t size;
  };
  const Case cases[] = {
      {"address off a page", 0x00500010, page, 4096},
      {"size off a page", 0x00500000, page, 100},
      {"host memory off a page", 0x00500000, page + 8, 4096},
      {"nothing", 0x00500000, page, 0},
      {"no host memory", 0x00500000, nullptr, 4096},
      {"below the lowest address", 0x00001000, page, 4096},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto process = EmulatedProcess::Create();
    ASSERT_NE(process, nullptr);
    EXPECT_FALSE(process->MapHostReadOnly(c.address, c.host, c.size));
    std::array<uint8_t, 1> seen{};
    EXPECT_FALSE(process->CopyFromProcess(c.address & ~0xFFFu, seen)) << "something was mapped";
  }
  // Ranges taken already: the stack, and a mapping made before.
  auto process = EmulatedProcess::Create();
  EXPECT_FALSE(process->MapHostReadOnly(EmulatedProcess::kStackBase, page, 4096));
  ASSERT_TRUE(process->MapHostReadOnly(0x00500000, page, 8192));
  EXPECT_FALSE(process->MapHostReadOnly(0x00501000, page, 4096));
}

}  // namespace
}  // namespace pindrel
