#include "app/parse_result.h"

namespace pindrel {

ParseResultTexts ParseResult;
UpdateInfoTexts UpdateInfo;

void ReleaseGlobalTexts() {
  ParseResult = ParseResultTexts{};
  UpdateInfo = UpdateInfoTexts{};
}

}  // namespace pindrel
