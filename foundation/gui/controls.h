// The control kinds the program's forms are made of, over Qt Widgets:
// window, picture box and the invisible common file dialog, with the
// properties and events the handlers use (the hyperlink box and the browser
// box have files of their own). Push buttons, edit boxes, check boxes and
// labels are Qt's own (QPushButton, QLineEdit, QPlainTextEdit, QCheckBox,
// QLabel); their properties are read and written as Texts through the
// functions at the end of this file.
#pragma once

#include <QFont>
#include <QLabel>
#include <QObject>
#include <QRect>
#include <QWidget>

class QShortcut;

#include "foundation/text.h"

class QCheckBox;
class QMovie;
class QLineEdit;
class QPlainTextEdit;

namespace pindrel {

// The interface font the forms' places were drawn for: the platform's 9-point
// GUI font at 96 dpi, 12 pixels whatever the screen's dpi, in a face that has
// the Chinese characters. WenQuanYi Zen Hei Sharp (Debian fonts-wqy-zenhei,
// installed by the set-up script) carries hand-tuned 12-pixel glyphs with a
// 12-pixel line, as the platform's bitmap face does; the report of a parse
// fits the information box only at that line height (17 lines of at most
// 14 pixels). Other CJK faces follow in case it is missing.
QFont form_font();

// A top-level window of a form, in form_font(). `created` is the form's
// creation event: the run time emits it once per opening, before the window
// is first shown.
//
// While a dialog-mode opening holds it disabled (hold_for_dialog), the window
// refuses to close; while a blocking transfer keeps the program busy,
// busy_wait.h drops the window manager's close requests. A window opened in
// dialog mode closes on Esc.
class Window : public QWidget {
  Q_OBJECT

 public:
  explicit Window(QWidget* parent = nullptr);

  void set_caption(const Text& caption);
  Text caption() const;

  // Set by load_window for the length of a dialog-mode opening.
  void set_dialog_mode(bool on);
  bool dialog_mode() const { return dialog_mode_; }
  // Counted: each dialog-mode opening that disables this window holds it
  // once and releases it when it ends.
  void hold_for_dialog(bool hold) { dialog_holds_ += hold ? 1 : -1; }
  bool held_for_dialog() const { return dialog_holds_ > 0; }

 signals:
  void created();
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool dialog_mode_ = false;
  int dialog_holds_ = 0;
  // Esc for the whole window in dialog mode, before any control (the
  // browser's page, say) can take the key for itself.
  QShortcut* escape_ = nullptr;
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

// Tab and Shift+Tab in the box move the focus on and back, as in a
// multi-line edit box of a dialog on the platform the forms come from;
// Ctrl+Tab inserts a tab character.
void move_focus_on_tab(QPlainTextEdit& box);

// Control texts on the Qt side: a "\r\n" pair (and a lone "\r") becomes "\n".
QString to_display_text(const Text& text);

}  // namespace pindrel
