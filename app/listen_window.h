// ListenWindow: the embedded browser that plays the audio of the last parse.
#pragma once

#include "foundation/gui/browser_box.h"
#include "foundation/gui/controls.h"

namespace pindrel {

class ListenWindow : public Window {
  Q_OBJECT

 public:
  ListenWindow();
  ~ListenWindow() override;

  BrowserBox* 超文本浏览框1;
};

// The ListenWindow that is open (the last one made), or nullptr. Its created
// handler reaches the window through it.
ListenWindow* listen_window();

}  // namespace pindrel
