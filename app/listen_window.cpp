#include "app/listen_window.h"

#include "app/result_actions.h"

namespace pindrel {

ListenWindow::ListenWindow() {
  setObjectName(QStringLiteral("ListenWindow"));
  // No caption on the form: the created event sets it.
  move(50, 50);
  resize(386, 71);

  超文本浏览框1 = new BrowserBox(this);
  超文本浏览框1->setObjectName(QStringLiteral("超文本浏览框1"));
  超文本浏览框1->setGeometry(10, 8, 360, 27);

  connect(this, &Window::created, this, [] { InitListenWindow(); });
}

}  // namespace pindrel
