// MainWindow, the start-up window: the banner, the address box and the parse
// button, the information box, the cover check box, the four action buttons
// and the hyperlink box, each at its place on the form and named as the
// handlers know it.
#pragma once

#include "foundation/gui/controls.h"
#include "foundation/gui/hyperlink_box.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pindrel {

class MainWindow : public Window {
  Q_OBJECT

 public:
  MainWindow();
  ~MainWindow() override;

  PictureBox* 图片框1;
  QLabel* 标签1;
  QLineEdit* 编辑框_地址;
  QPushButton* 解析;
  QPlainTextEdit* 编辑框_信息;
  QCheckBox* 选择框1;
  QPushButton* 在线试听;
  QPushButton* 下载MP3;
  QPushButton* 下载Mp4;
  QPushButton* 检查更新;
  HyperlinkBox* 超级链接框1;

 private:
  void create_banner();
  void create_parse_controls();
  void create_action_controls();
  void wire_events();
};

// The MainWindow that is open, or nullptr. The handlers reach their controls
// through it.
MainWindow* main_window();

// The handlers MainWindow binds that are told here: its created event and the
// banner click, which opens the forum's home page.
void MainWindowCreated();
void BannerClick();

}  // namespace pindrel
