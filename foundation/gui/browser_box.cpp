#include "foundation/gui/browser_box.h"

#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "foundation/gui/gui_text.h"

namespace pindrel {

BrowserBox::BrowserBox(QWidget* parent) : QWidget(parent) {}

void BrowserBox::set_address(const Text& address) {
  address_ = address;
  if (view_ == nullptr) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QWebEngineView(this);
    // The box is the player's only window: audio that a page starts by
    // itself must play without a click first.
    view_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    layout->addWidget(view_);
  }
  // The address is used as given: a query the caller built stays unescaped.
  view_->setUrl(QUrl(to_qstring(address), QUrl::TolerantMode));
}

QWidget* BrowserBox::view() const { return view_; }

}  // namespace pindrel
