#include "app/command_line.h"

#include <charconv>
#include <string_view>

namespace pindrel {

namespace {

constexpr std::string_view kSkinOption = "--skin";

// "7" -> 7; anything but a plain decimal number from 1 to 33 -> 0.
int skin_number(std::string_view value) {
  int n = 0;
  const char* end = value.data() + value.size();
  auto [ptr, ec] = std::from_chars(value.data(), end, n);
  if (value.empty() || ec != std::errc() || ptr != end) return 0;
  return n >= kFirstSkinNumber && n <= kLastSkinNumber ? n : 0;
}

CommandLine refuse(std::string error) {
  CommandLine line;
  line.action = CommandLine::Action::Refuse;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      line.action = CommandLine::Action::ShowHelp;
      return line;
    }
    if (a == "--version") {
      line.action = CommandLine::Action::ShowVersion;
      return line;
    }
    std::string_view value;
    if (a == kSkinOption) {
      if (i + 1 >= argc) return refuse("--skin 需要一个 1 到 33 的皮肤编号");
      value = argv[++i];
    } else if (a.starts_with("--skin=")) {
      value = a.substr(kSkinOption.size() + 1);
    } else {
      continue;  // the run time's own options
    }
    line.skin = skin_number(value);
    if (line.skin == 0) return refuse("--skin 的皮肤编号须为 1 到 33：" + std::string(value));
  }
  return line;
}

std::string usage_line() { return "用法：pindrel [--skin 编号] [--help] [--version]\n"; }

std::string help_text() {
  return usage_line() +
         "\n"
         "粘贴视频页地址，按“解析”取得标题、上传者、封面与 MP3、MP4、ASS、XML 链接。\n"
         "\n"
         "选项：\n"
         "  --skin 编号   启动时使用第几号皮肤（1 到 33，默认 1）\n"
         "  --help, -h    显示本帮助并退出\n"
         "  --version     显示版本并退出\n"
         "\n"
         "Qt 的平台选项（例如 -platform offscreen）照常有效。\n"
         "退出码：0 正常结束；2 命令行有误。\n";
}

std::string version_text() { return "Pindrel 1.0\n"; }

}  // namespace pindrel
