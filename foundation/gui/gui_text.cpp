#include "foundation/gui/gui_text.h"

#include <string>

#include "foundation/code_page.h"

namespace pindrel {

QString to_qstring(const Text& text) {
  const std::string utf8 = local_to_utf8(text);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text from_qstring(const QString& text) {
  // QString already holds UTF-16; hand it over as UTF-16LE units with the
  // terminating zero unit that from_wide reads up to.
  std::string units(static_cast<std::size_t>(text.size() + 1) * 2, '\0');
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text.at(i).unicode();
    units[static_cast<std::size_t>(i) * 2] = static_cast<char>(u & 0xFF);
    units[static_cast<std::size_t>(i) * 2 + 1] = static_cast<char>(u >> 8);
  }
  return from_wide(ByteArray(std::move(units)), kCodePageGbk);
}

}  // namespace pindrel
