#include "app/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QIcon>
#include <QPixmap>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/parse_action.h"
#include "app/result_actions.h"
#include "app/site_hosts.h"
#include "app/skin_attach.h"
#include "app/startup.h"
#include "app/update_check.h"
#include "foundation/gui/gui_text.h"
#include "foundation/gui/runtime.h"
#include "foundation/local_text.h"
#include "foundation/text_primitives.h"
#include "resources/banner.h"
#include "resources/icon.h"

namespace pindrel {

namespace {

// The one MainWindow while it exists: set by its constructor, cleared by its
// destructor.
MainWindow* live_main_window = nullptr;

template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

void set_colours(QWidget* w, const QColor& text, const QColor& base) {
  QPalette p = w->palette();
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Base, base);
  w->setPalette(p);
}

// The program's own icon in every size it carries.
QIcon application_icon() {
  QIcon icon;
  for (const ByteArray& png : ApplicationIconPictures()) {
    QPixmap p;
    if (p.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG")) icon.addPixmap(p);
  }
  return icon;
}

QPushButton* button(QWidget* parent, const char* name, const char8_t* caption, int left, int top) {
  return place(new QPushButton(to_qstring(local_text(caption)), parent), name, left, top, 80, 24);
}

}  // namespace

MainWindow::MainWindow() {
  live_main_window = this;
  setObjectName(QStringLiteral("MainWindow"));
  set_caption(concat_text(local_text(u8"Pindrelv1.0 - "), site_hosts().forumDomain));
  move(50, 50);
  resize(425, 447);
  // The window and the ones it opens (they take the application's icon).
  const QIcon icon = application_icon();
  setWindowIcon(icon);
  if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(icon);
  create_banner();
  create_parse_controls();
  create_action_controls();
  wire_events();
}

MainWindow::~MainWindow() {
  if (live_main_window == this) live_main_window = nullptr;
}

void MainWindow::create_banner() {
  图片框1 = place(new PictureBox(this), "图片框1", -3, 0, 425, 100);
  图片框1->setFrameShape(QFrame::NoFrame);
  图片框1->setAutoFillBackground(true);
  QPalette p = 图片框1->palette();
  p.setColor(QPalette::Window, Qt::white);
  图片框1->setPalette(p);
  图片框1->set_picture(BannerPicture());

  标签1 = place(new QLabel(to_qstring(local_text(u8"—Tessaly专版")), 图片框1), "标签1", 348, 79, 63, 16);
}

void MainWindow::create_parse_controls() {
  编辑框_地址 = place(new QLineEdit(this), "编辑框_地址", 8, 106, 344, 24);
  set_colours(编辑框_地址, Qt::black, Qt::white);
  set_edit_text(*编辑框_地址, ExampleVideoAddress());

  解析 = place(new QPushButton(to_qstring(local_text(u8"解析")), this), "解析", 358, 106, 56, 24);

  编辑框_信息 = place(new QPlainTextEdit(this), "编辑框_信息", 6, 136, 408, 248);
  set_colours(编辑框_信息, QColor(0, 128, 0), Qt::white);
  编辑框_信息->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框_信息->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框_信息->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  编辑框_信息->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  编辑框_信息->setFrameStyle(QFrame::Box | QFrame::Plain);
  编辑框_信息->setLineWidth(1);
  move_focus_on_tab(*编辑框_信息);

  选择框1 = place(new QCheckBox(to_qstring(local_text(u8"自动展示封面")), this), "选择框1", 317, 363, 96, 16);
  选择框1->setChecked(true);
}

void MainWindow::create_action_controls() {
  在线试听 = button(this, "在线试听", u8"在线试听", 8, 390);
  下载MP3 = button(this, "下载MP3", u8"下载MP3", 96, 390);
  下载Mp4 = button(this, "下载Mp4", u8"下载MP4", 184, 390);
  检查更新 = button(this, "检查更新", u8"检查更新", 272, 390);

  超级链接框1 = place(new HyperlinkBox(this), "超级链接框1", 362, 396, 48, 16);
  超级链接框1->set_caption(local_text(u8"@Korlan"));
  超级链接框1->set_target(HyperlinkTarget());
}

void MainWindow::wire_events() {
  connect(this, &Window::created, this, [] { MainWindowCreated(); });
  connect(图片框1, &PictureBox::left_button_pressed, this, [] { BannerClick(); });
  connect(解析, &QPushButton::clicked, this, [] { ParseVideoPage(); });
  // Enter in the address box presses 解析, as a dialog's default button.
  connect(编辑框_地址, &QLineEdit::returnPressed, 解析, &QPushButton::click);
  connect(在线试听, &QPushButton::clicked, this, [] { ListenOnline(); });
  connect(下载MP3, &QPushButton::clicked, this, [] { CopyMp3Link(); });
  connect(下载Mp4, &QPushButton::clicked, this, [] { CopyMp4Link(); });
  connect(检查更新, &QPushButton::clicked, this, [] { CheckForUpdate(); });
}

MainWindow* main_window() { return live_main_window; }

void MainWindowCreated() { ApplySkin(StartupSkinNumber()); }

void BannerClick() { open_address(ForumHomeAddress()); }

}  // namespace pindrel
