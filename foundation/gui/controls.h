// The control kinds the program's forms are made of, over Qt Widgets:
// window, picture box, hyperlink box and the invisible common file dialog,
// with the properties and events the handlers use. Push buttons, edit boxes,
// check boxes and labels are Qt's own (QPushButton, QLineEdit,
// QPlainTextEdit, QCheckBox, QLabel); their properties are read and written
// as Texts through the functions at the end of this file.
#pragma once

#include <QLabel>
#include <QObject>
#include <QRect>
#include <QWidget>

#include "foundation/text.h"

class QCheckBox;
class QMovie;
class QLineEdit;
class QPlainTextEdit;

namespace pindrel {

// A top-level window of a form. `created` is the form's creation event: the
// run time emits it once per opening, before the window is first shown.
class Window : public QWidget {
  Q_OBJECT

 public:
  explicit Window(QWidget* parent = nullptr);

  void set_caption(const Text& caption);
  Text caption() const;

 signals:
  void created();
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
};

// Shows a picture given as the bytes of an image file (JPEG, PNG, GIF, BMP
// and what else Qt's image readers know); an animated GIF plays. Reading the
// picture gives back exactly the bytes that were written, decodable or not.
class PictureBox : public QLabel {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  void set_picture(const ByteArray& bytes);
  const ByteArray& picture() const { return picture_; }
  // The running animation of an animated picture, otherwise nullptr.
  QMovie* animation() const { return animation_; }

 signals:
  void left_button_pressed();
  void right_button_pressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  ByteArray picture_;
  QMovie* animation_ = nullptr;
};

// A caption that opens its stored address in the default browser when it is
// clicked; the program adds no handler of its own.
class HyperlinkBox : public QLabel {
  Q_OBJECT

 public:
  explicit HyperlinkBox(QWidget* parent = nullptr);

  void set_caption(const Text& caption);
  Text caption() const;
  void set_target(const Text& target) { target_ = target; }
  const Text& target() const { return target_; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Text target_;
};

// The common file dialog of a form: never visible itself, it belongs to a
// control and holds the settings that open_file_dialog shows it with.
// `filter` is pairs of display name and pattern separated by "|", e.g.
// "PNG图片文件（*.png）|*.png|BMP图片文件（*.bmp）|*.bmp".
class FileDialog : public QObject {
  Q_OBJECT

 public:
  enum class Mode { Open, Save };

  explicit FileDialog(QObject* owner = nullptr) : QObject(owner) {}

  Mode mode = Mode::Open;
  Text title;                // empty: the toolkit's default title
  Text filter;
  int filter_index = 1;      // 1-based pair selected when the dialog opens
  Text default_extension;    // ".jpg": added to a name typed without one
  Text initial_folder;
  Text file_name;            // in: the initial name; out: the confirmed full path
  bool overwrite_prompt = false;
  bool create_prompt = false;
  bool path_must_exist = false;
  bool hide_read_only = false;
  // Where the form places the dialog's icon; it is never drawn.
  QRect form_place;
};

// Edit box and check box properties as Texts. A multi-line box keeps its
// line breaks as "\r\n" when read, as the platform's edit control does.
Text edit_text(const QLineEdit& box);
Text edit_text(const QPlainTextEdit& box);
void set_edit_text(QLineEdit& box, const Text& text);
void set_edit_text(QPlainTextEdit& box, const Text& text);
// 1 when ticked, 0 otherwise.
int check_state(const QCheckBox& box);

// Control texts on the Qt side: a "\r\n" pair (and a lone "\r") becomes "\n".
QString to_display_text(const Text& text);

}  // namespace pindrel
