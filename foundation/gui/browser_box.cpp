#include "foundation/gui/browser_box.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

#include "foundation/gui/gui_text.h"
#include "foundation/gui/web_view_loader.h"

namespace pindrel {

BrowserBox::BrowserBox(QWidget* parent) : QWidget(parent) {}

void BrowserBox::set_address(const Text& address) {
  address_ = address;
  if (view_ == nullptr) {
    view_ = create_web_view(this);
    if (view_ == nullptr) return;  // no browser module: the box stays blank
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
  }
  // The address is used as given: a query the caller built stays unescaped.
  view_->setProperty("url", QUrl(to_qstring(address), QUrl::TolerantMode));
}

}  // namespace pindrel
