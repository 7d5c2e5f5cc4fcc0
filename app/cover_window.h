// CoverWindow: the cover picture of the last parse, with the save dialog
// that a right click on the picture opens.
#pragma once

#include "foundation/gui/controls.h"

namespace pindrel {

class CoverWindow : public Window {
  Q_OBJECT

 public:
  CoverWindow();
  ~CoverWindow() override;

  PictureBox* 图片;
  FileDialog* 通用对话框1;
};

// The CoverWindow that is open (the last one made), or nullptr. Its handlers
// reach the picture and the dialog through it.
CoverWindow* cover_window();

}  // namespace pindrel
