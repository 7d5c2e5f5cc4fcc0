#include "foundation/gui/controls.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QPlainTextEdit>

#include "foundation/gui/gui_text.h"
#include "foundation/gui/runtime.h"

namespace pindrel {

Window::Window(QWidget* parent) : QWidget(parent, Qt::Window) {
  // The forms are laid out for a 12-pixel interface font; with the desktop's
  // larger default the captions of the smaller controls would be cut off.
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
}

void Window::set_caption(const Text& caption) { setWindowTitle(to_qstring(caption)); }

Text Window::caption() const { return from_qstring(windowTitle()); }

void Window::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::set_picture(const ByteArray& bytes) {
  picture_ = bytes;
  if (animation_ != nullptr) {
    setMovie(nullptr);
    delete animation_;
    animation_ = nullptr;
  }
  clear();
  if (bytes.empty()) return;
  const QByteArray encoded(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  {
    QBuffer probe;
    probe.setData(encoded);
    QImageReader reader(&probe);
    if (reader.supportsAnimation() && reader.imageCount() > 1) {
      auto* source = new QBuffer;
      source->setData(encoded);
      animation_ = new QMovie(source, QByteArray(), this);
      source->setParent(animation_);
      setMovie(animation_);
      animation_->start();
      return;
    }
  }
  // Bytes that no reader decodes leave the box empty, as an empty array does.
  QPixmap pixmap;
  if (pixmap.loadFromData(encoded)) setPixmap(pixmap);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() == Qt::LeftButton) emit left_button_pressed();
  if (event->button() == Qt::RightButton) emit right_button_pressed();
}

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

QString to_display_text(const Text& text) {
  QString s = to_qstring(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar(u'\r'), QChar(u'\n'));
  return s;
}

namespace {

Text with_crlf(QString s) {
  s.replace(QChar(u'\n'), QStringLiteral("\r\n"));
  return from_qstring(s);
}

}  // namespace

Text edit_text(const QLineEdit& box) { return from_qstring(box.text()); }

Text edit_text(const QPlainTextEdit& box) { return with_crlf(box.toPlainText()); }

void set_edit_text(QLineEdit& box, const Text& text) { box.setText(to_qstring(text)); }

void set_edit_text(QPlainTextEdit& box, const Text& text) { box.setPlainText(to_display_text(text)); }

int check_state(const QCheckBox& box) { return box.isChecked() ? 1 : 0; }

}  // namespace pindrel
