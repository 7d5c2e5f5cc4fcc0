// CoverWindow: the cover picture of the last parse, with the save dialog
// that a right click on the picture opens.
#pragma once

#include "foundation/gui/controls.h"

namespace pindrel {

class CoverWindow : public Window {
  Q_OBJECT

 public:
  CoverWindow();

  PictureBox* 图片;
  FileDialog* 通用对话框1;
};

}  // namespace pindrel
