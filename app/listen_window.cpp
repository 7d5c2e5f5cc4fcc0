#include "app/listen_window.h"

#include "app/result_actions.h"

namespace pindrel {

namespace {

ListenWindow* open_listen_window = nullptr;

}  // namespace

ListenWindow::ListenWindow() {
  open_listen_window = this;
  setObjectName(QStringLiteral("ListenWindow"));
  // No caption on the form: the created event sets it.
  move(50, 50);
  resize(386, 71);

  超文本浏览框1 = new BrowserBox(this);
  超文本浏览框1->setObjectName(QStringLiteral("超文本浏览框1"));
  超文本浏览框1->setGeometry(10, 8, 360, 27);

  connect(this, &Window::created, this, [] { InitListenWindow(); });
}

ListenWindow::~ListenWindow() {
  if (open_listen_window == this) open_listen_window = nullptr;
}

ListenWindow* listen_window() { return open_listen_window; }

}  // namespace pindrel
