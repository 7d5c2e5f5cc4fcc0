#include "app/cover_window.h"

#include "app/result_actions.h"
#include "app/site_hosts.h"
#include "foundation/local_text.h"
#include "foundation/text_primitives.h"

namespace pindrel {

namespace {

CoverWindow* open_cover_window = nullptr;

}  // namespace

CoverWindow::CoverWindow() {
  open_cover_window = this;
  setObjectName(QStringLiteral("CoverWindow"));
  set_caption(concat_text(local_text(u8"封面展示 - [Korlan]Tessaly专版 "), site_hosts().forumDomain,
                          local_text(u8" [ 小贴士：右击图片即可保存到本地喔！]")));
  move(50, 50);
  resize(600, 330);

  图片 = new PictureBox(this);
  图片->setObjectName(QStringLiteral("图片"));
  图片->setGeometry(-3, -4, 600, 320);
  图片->setFrameShape(QFrame::NoFrame);

  通用对话框1 = new FileDialog(图片);
  通用对话框1->setObjectName(QStringLiteral("通用对话框1"));
  通用对话框1->form_place = QRect(528, 256, 40, 40);
  通用对话框1->mode = FileDialog::Mode::Save;
  通用对话框1->filter = local_text(
      u8"JPEG图片文件（*.jpg）|*.jpg|PNG图片文件（*.png）|*.png|GIF动态图片（*.gif）|*.gif|BMP图片文件（*.bmp）|*.bmp");
  通用对话框1->filter_index = 1;
  通用对话框1->default_extension = local_text(u8".jpg");
  通用对话框1->overwrite_prompt = true;
  通用对话框1->create_prompt = true;
  通用对话框1->path_must_exist = true;
  通用对话框1->hide_read_only = true;

  connect(this, &Window::created, this, [] { InitCoverWindow(); });
  connect(图片, &PictureBox::right_button_pressed, this, [] { SaveCover(); });
}

CoverWindow::~CoverWindow() {
  if (open_cover_window == this) open_cover_window = nullptr;
}

CoverWindow* cover_window() { return open_cover_window; }

}  // namespace pindrel
