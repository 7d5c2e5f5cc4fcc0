#include "foundation/gui/runtime.h"

#include <sys/stat.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSaveFile>
#include <QTextCursor>
#include <string_view>
#include <vector>

#include "foundation/ascii_case.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/gui/gui_text.h"
#include "foundation/local_text.h"

namespace pindrel {

namespace {

std::vector<std::function<void()>>& exit_routines() {
  static std::vector<std::function<void()>> routines;
  return routines;
}

}  // namespace

GuiRuntime::GuiRuntime(int& argc, char** argv) : app_(argc, argv) {
  // The program ends when its start-up window closes (run_message_loop), not
  // when whatever window happens to be the last one closes.
  QApplication::setQuitOnLastWindowClosed(false);
  // Message boxes and dialogs in the forms' font too.
  QApplication::setFont(form_font());
  if (toolkit_texts_.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&toolkit_texts_);
}

GuiRuntime::~GuiRuntime() { QApplication::removeTranslator(&toolkit_texts_); }

void load_window(Window& window) {
  std::vector<QPointer<QWidget>> disabled;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == &window || !w->isWindow() || !w->isEnabled()) continue;
    w->setEnabled(false);
    disabled.emplace_back(w);
  }
  // The windows on screen are held too: they refuse to close until this
  // opening ends. A hidden one is only disabled, so that a window opened
  // later from inside this one can still close.
  std::vector<QPointer<Window>> held;
  for (const QPointer<QWidget>& w : disabled) {
    auto* shown = qobject_cast<Window*>(w.data());
    if (shown == nullptr || !shown->isVisible()) continue;
    shown->hold_for_dialog(true);
    held.emplace_back(shown);
  }
  window.set_dialog_mode(true);

  // The window may close before the loop runs (its created handler may close
  // it), so the loop is entered only while it is still open.
  QEventLoop loop;
  bool closed = false;
  const QMetaObject::Connection c = QObject::connect(&window, &Window::closed, &loop, [&] {
    closed = true;
    loop.quit();
  });
  emit window.created();
  if (!closed) window.show();
  if (!closed && window.isVisible()) loop.exec();
  QObject::disconnect(c);
  window.hide();
  window.set_dialog_mode(false);

  for (const QPointer<Window>& w : held)
    if (w) w->hold_for_dialog(false);
  for (const QPointer<QWidget>& w : disabled)
    if (w) w->setEnabled(true);
}

void load_startup_window(Window& window) {
  emit window.created();
  window.show();
}

void register_exit_routine(std::function<void()> routine) { exit_routines().push_back(std::move(routine)); }

int run_message_loop(Window& main_window) {
  int code = 0;
  if (main_window.isVisible()) {
    QEventLoop loop;
    QObject::connect(&main_window, &Window::closed, &loop, [&loop] { loop.exit(0); });
    code = loop.exec();
  }
  std::vector<std::function<void()>> routines;
  routines.swap(exit_routines());
  for (auto& r : routines) r();
  return code;
}

void append_text(QPlainTextEdit& box, const Text& text) {
  QTextCursor cursor = box.textCursor();
  cursor.movePosition(QTextCursor::End);
  box.setTextCursor(cursor);
  box.insertPlainText(to_display_text(text));
  box.ensureCursorVisible();
}

void append_text(QLineEdit& box, const Text& text) {
  box.end(false);
  box.insert(to_qstring(text));
}

Text default_message_caption() { return local_text(u8"信息："); }

int message_box(const Text& text, int buttons, std::optional<Text> caption) {
  return desktop_services().message_box(text, buttons, caption ? *caption : default_message_caption());
}

void set_clipboard_text(const Text& text) { desktop_services().set_clipboard_text(text); }

bool open_file_dialog(FileDialog& dialog) { return desktop_services().run_file_dialog(dialog); }

bool write_file(const Text& name, std::initializer_list<ByteArray> parts) {
  if (name.empty()) return false;
  // Written beside the file and renamed over it only once every byte is on
  // disk, so a failed write (a full disk, a size limit, a lost device) leaves
  // the former file as it was. Unbuffered, so that every failed write shows
  // at once; a write that fails inside QSaveFile's own buffer at commit time
  // would not stop the rename.
  const QString path = to_qstring(name);
  const QByteArray native = QFile::encodeName(path);
  struct stat former {};
  const bool replacing = ::stat(native.constData(), &former) == 0 && S_ISREG(former.st_mode);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  for (const ByteArray& part : parts) {
    if (part.empty()) continue;
    const auto n = static_cast<qint64>(part.size());
    if (file.write(reinterpret_cast<const char*>(part.data()), n) != n) {
      file.cancelWriting();
      file.commit();  // removes the file beside it; the former one stays
      return false;
    }
  }
  if (!file.commit()) return false;
  // QSaveFile gives the replacement the former file's permissions but adds
  // the owner's write bit; the former bits are put back exactly. A new file
  // has the usual ones (0666 less the umask).
  if (replacing) {
    struct stat now {};
    if (::stat(native.constData(), &now) == 0 && (now.st_mode & 07777) != (former.st_mode & 07777))
      ::chmod(native.constData(), former.st_mode & 07777);
  }
  return true;
}

bool is_web_address(const Text& address) {
  return starts_with_ascii_lower(address.bytes(), "http://") || starts_with_ascii_lower(address.bytes(), "https://");
}

void open_address(const Text& address) {
  // The addresses come from fetched manifests and pages as well as from the
  // program itself; only the web's own schemes reach the desktop, whose
  // handlers would otherwise open local files ("file:") or run programs.
  // Anything else, the empty address included, is dropped without a word.
  if (is_web_address(address)) desktop_services().open_address(address);
}

}  // namespace pindrel
