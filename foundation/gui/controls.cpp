#include "foundation/gui/controls.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QShortcut>

#include "foundation/gui/gui_text.h"

namespace pindrel {

QFont form_font() {
  QFont f;
  f.setFamilies({QStringLiteral("WenQuanYi Zen Hei Sharp"), QStringLiteral("WenQuanYi Micro Hei"),
                 QStringLiteral("Noto Sans CJK SC")});
  f.setPixelSize(12);
  return f;
}

Window::Window(QWidget* parent) : QWidget(parent, Qt::Window) {
  // The forms' places assume this font; with the desktop's larger default
  // the information box would scroll and captions would be cut off.
  setFont(form_font());
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape_->setContext(Qt::WindowShortcut);
  escape_->setEnabled(false);
  connect(escape_, &QShortcut::activated, this, &QWidget::close);
}

void Window::set_dialog_mode(bool on) {
  dialog_mode_ = on;
  escape_->setEnabled(on);
}

void Window::set_caption(const Text& caption) { setWindowTitle(to_qstring(caption)); }

Text Window::caption() const { return from_qstring(windowTitle()); }

void Window::closeEvent(QCloseEvent* event) {
  // A disabled window takes no input on the platform, Alt+F4 and the close
  // button included; a window manager still sends the request here. (While a
  // transfer waits, busy_wait.cpp drops the window manager's requests before
  // they get here; the program's own close calls still work then.)
  if (held_for_dialog()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit closed();
}

void Window::keyPressEvent(QKeyEvent* event) {
  // Reached when the shortcut could not fire (the window is not the active
  // one) and no control took the key.
  if (dialog_mode_ && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
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

namespace {

// Ctrl+Tab would reach the box's own key handling, which takes the control
// key as "not text"; it is turned into the tab character here.
class CtrlTabInsertsTab : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Tab || key->modifiers() != Qt::ControlModifier) return false;
    static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\t"));
    return true;
  }
};

}  // namespace

void move_focus_on_tab(QPlainTextEdit& box) {
  box.setTabChangesFocus(true);
  box.installEventFilter(new CtrlTabInsertsTab(&box));
}

}  // namespace pindrel
