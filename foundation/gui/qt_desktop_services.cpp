#include "foundation/gui/qt_desktop_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>
#include <utility>
#include <vector>

#include "foundation/gui/controls.h"
#include "foundation/gui/gui_text.h"

namespace pindrel {

namespace {

struct ButtonChoice {
  QMessageBox::StandardButton button;
  int result;
};

// The button sets of the platform's message box, in their order on screen.
std::vector<ButtonChoice> button_set(int buttons) {
  switch (buttons) {
    case kButtonsOkCancel: return {{QMessageBox::Ok, kResultOk}, {QMessageBox::Cancel, kResultCancel}};
    case kButtonsAbortRetryIgnore:
      return {{QMessageBox::Abort, kResultAbort}, {QMessageBox::Retry, kResultRetry}, {QMessageBox::Ignore, kResultIgnore}};
    case kButtonsYesNoCancel:
      return {{QMessageBox::Yes, kResultYes}, {QMessageBox::No, kResultNo}, {QMessageBox::Cancel, kResultCancel}};
    case kButtonsYesNo: return {{QMessageBox::Yes, kResultYes}, {QMessageBox::No, kResultNo}};
    case kButtonsRetryCancel: return {{QMessageBox::Retry, kResultRetry}, {QMessageBox::Cancel, kResultCancel}};
    default: return {{QMessageBox::Ok, kResultOk}};
  }
}

// The window a message box is centred over: the program's active window, or
// else its topmost visible window that takes input.
QWidget* anchor_window() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (auto it = windows.crbegin(); it != windows.crend(); ++it)
    if ((*it)->isVisible() && (*it)->isEnabled() && qobject_cast<Window*>(*it) != nullptr) return *it;
  return nullptr;
}

// A message box with no owner window (modal over the whole program) that is
// placed over the program's active window rather than in the middle of the
// screen, where a box without an owner would go.
class CentredMessageBox : public QMessageBox {
 public:
  explicit CentredMessageBox(QWidget* anchor) : anchor_(anchor) {}

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);  // sizes the box
    if (anchor_ == nullptr || event->spontaneous()) return;
    QRect place = frameGeometry();
    place.moveCenter(anchor_->frameGeometry().center());
    move(place.topLeft());
  }

 private:
  QPointer<QWidget> anchor_;
};

}  // namespace

int QtDesktopServices::message_box(const Text& text, int buttons, const Text& caption) {
  CentredMessageBox box(anchor_window());
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(to_display_text(caption));
  box.setText(to_display_text(text));
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  const std::vector<ButtonChoice> set = button_set(buttons);
  std::vector<std::pair<QAbstractButton*, int>> results;
  for (const ButtonChoice& c : set) {
    QPushButton* b = box.addButton(c.button);
    b->setIcon(QIcon());  // plain captions, as on the platform's message box
    results.emplace_back(b, c.result);
  }
  box.setDefaultButton(static_cast<QPushButton*>(results.front().first));
  // Closing the box counts as its last button (Cancel or No; OK for one button).
  box.setEscapeButton(results.back().first);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, result] : results)
    if (button == clicked) return result;
  return results.back().second;
}

void QtDesktopServices::set_clipboard_text(const Text& text) {
  QGuiApplication::clipboard()->setText(to_qstring(text));
}

QStringList qt_name_filters(const Text& filter) {
  const QStringList pieces = to_qstring(filter).split(QChar(u'|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < pieces.size(); i += 2)
    filters << pieces[i] + QStringLiteral(" (") + QString(pieces[i + 1]).replace(QChar(u';'), QChar(u' ')) +
                   QStringLiteral(")");
  return filters;
}

bool QtDesktopServices::run_file_dialog(FileDialog& dialog) {
  QFileDialog d(nullptr, to_qstring(dialog.title), to_qstring(dialog.initial_folder));
  d.setWindowModality(Qt::ApplicationModal);
  const bool save = dialog.mode == FileDialog::Mode::Save;
  d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = qt_name_filters(dialog.filter);
  if (!filters.isEmpty()) {
    d.setNameFilters(filters);
    const qsizetype index = dialog.filter_index >= 1 && dialog.filter_index <= filters.size() ? dialog.filter_index - 1 : 0;
    d.selectNameFilter(filters[index]);
  }
  QString suffix = to_qstring(dialog.default_extension);
  if (suffix.startsWith(QChar(u'.'))) suffix.remove(0, 1);
  d.setDefaultSuffix(suffix);
  if (!dialog.overwrite_prompt) d.setOption(QFileDialog::DontConfirmOverwrite);
  // hide_read_only needs nothing: Qt's dialog has no read-only check box.
  if (!dialog.file_name.empty()) d.selectFile(to_qstring(dialog.file_name));
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return false;

  const QString chosen = d.selectedFiles().constFirst();
  const QFileInfo info(chosen);
  if (dialog.path_must_exist && !info.absoluteDir().exists()) return false;
  if (save && dialog.create_prompt && !info.exists()) {
    QMessageBox ask(QMessageBox::Question, d.windowTitle(),
                    QStringLiteral("%1 不存在。\n要创建该文件吗？").arg(info.fileName()),
                    QMessageBox::Yes | QMessageBox::No);
    ask.setWindowModality(Qt::ApplicationModal);
    if (ask.exec() != QMessageBox::Yes) return false;
  }
  dialog.file_name = from_qstring(info.absoluteFilePath());
  return true;
}

void QtDesktopServices::open_address(const Text& address) {
  QDesktopServices::openUrl(QUrl(to_qstring(address), QUrl::TolerantMode));
}

}  // namespace pindrel
