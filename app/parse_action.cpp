#include "app/parse_action.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/cover_window.h"
#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/video_page_parse.h"
#include "foundation/gui/desktop_services.h"
#include "foundation/gui/runtime.h"

namespace pindrel {

void ParseVideoPage() {
  MainWindow* w = main_window();
  if (w == nullptr) return;
  // Cleared before anything else: after every press the box holds only what
  // this press appends.
  set_edit_text(*w->编辑框_信息, Text());
  // The address as typed: not trimmed, not lower-cased, not validated.
  ParseVideoAddress(edit_text(*w->编辑框_地址));
  if (ParseResult.title.empty()) {
    message_box(ParseFailureMessage(), kButtonsOk);
    return;
  }
  for (const Text& line : VideoReportLines(ParseResult)) append_text(*w->编辑框_信息, line);
  if (check_state(*w->选择框1) == 1) {
    CoverWindow cover;
    load_window(cover);
  }
}

}  // namespace pindrel
