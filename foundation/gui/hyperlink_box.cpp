#include "foundation/gui/hyperlink_box.h"

#include <QMouseEvent>

#include "foundation/gui/gui_text.h"
#include "foundation/gui/runtime.h"

namespace pindrel {

HyperlinkBox::HyperlinkBox(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(p);
}

void HyperlinkBox::set_caption(const Text& caption) { setText(to_qstring(caption)); }

Text HyperlinkBox::caption() const { return from_qstring(text()); }

void HyperlinkBox::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  // A click is a left press released inside the control.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    open_address(target_);
}

}  // namespace pindrel
