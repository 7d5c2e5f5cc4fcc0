// pindrel-parse: the parse of the window program from the command line.
//
//   pindrel-parse [--video-site-host HOST] [--mirror-host HOST] ADDRESS
//
// Runs the same fetch and cuts as the parse button and prints the eight
// report lines as UTF-8 on standard output (exit status 0), or the failure
// message on standard error (exit status 1). The two options replace the
// hosts the program was built with, e.g. to parse against a local mirror.
#include <cstdio>
#include <string>
#include <string_view>

#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "app/video_page_parse.h"
#include "foundation/code_page.h"

namespace {

int usage() {
  std::fputs("usage: pindrel-parse [--video-site-host HOST] [--mirror-host HOST] ADDRESS\n", stderr);
  return 2;
}

// Command-line arguments arrive as UTF-8; the program's texts are code page 936.
pindrel::Text argument_text(const char* arg) { return pindrel::utf8_to_local(pindrel::Text::from_bytes(arg)); }

void print_utf8(std::FILE* out, const pindrel::Text& text) {
  const std::string utf8 = pindrel::local_to_utf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), out);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pindrel;
  const char* address = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if ((a == "--video-site-host" || a == "--mirror-host") && i + 1 < argc) {
      (a == "--mirror-host" ? site_hosts().mirrorHost : site_hosts().videoSiteHost) = argument_text(argv[++i]);
    } else if (!a.empty() && a[0] == '-') {
      return usage();
    } else if (address == nullptr) {
      address = argv[i];
    } else {
      return usage();
    }
  }
  if (address == nullptr) return usage();

  ParseVideoAddress(argument_text(address));
  if (ParseResult.title.empty()) {
    print_utf8(stderr, ParseFailureMessage());
    std::fputc('\n', stderr);
    return 1;
  }
  for (const Text& line : VideoReportLines(ParseResult)) print_utf8(stdout, line);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
