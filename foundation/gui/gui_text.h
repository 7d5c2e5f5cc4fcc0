// The one crossing between the program's texts (code page 936 bytes) and Qt's
// QString (UTF-16). Nothing outside this library converts.
//   to_qstring(local_text(u8"信息：")) == QStringLiteral("信息：")
//   from_qstring(QStringLiteral("解析")) == local_text(u8"解析")
#pragma once

#include <QString>

#include "foundation/text.h"

namespace pindrel {

QString to_qstring(const Text& text);
// Characters that code page 936 cannot show become "?"; a U+0000 ends the Text.
Text from_qstring(const QString& text);

}  // namespace pindrel
