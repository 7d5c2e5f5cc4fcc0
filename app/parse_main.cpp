// pindrel-parse: the parse of the window program from the command line.
//
//   pindrel-parse [--json] [--video-site-host HOST] [--mirror-host HOST]
//                 [--connect-timeout SECONDS] [--idle-timeout SECONDS]
//                 [--low-speed-window SECONDS] [--deadline SECONDS]
//                 [--max-page-bytes BYTES] ADDRESS
//
// Runs the same fetch and cuts as the parse button and prints the eight
// report lines as UTF-8 on standard output, or with --json one JSON object
// with the nine ParseResult fields. A failed parse prints the window
// program's message and then one line "cause: ..." on standard error. The
// host options replace the hosts the program was built with, e.g. to parse
// against a local mirror; the limits default to the transport's own.
//
//   $ pindrel-parse --mirror-host 127.0.0.1:9 http://v.example/video/av1/
//   亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~
//   cause: connection refused by 127.0.0.1:9
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/parse_result.h"
#include "app/site_hosts.h"
#include "app/video_page_parse.h"
#include "foundation/code_page.h"

namespace {

using namespace pindrel;

constexpr int kExitParsed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp =
    "usage: pindrel-parse [OPTIONS] ADDRESS\n"
    "\n"
    "Parses a video page address the way the parse button does and prints the\n"
    "report as UTF-8.\n"
    "\n"
    "options:\n"
    "  --json                    print one JSON object (UTF-8) with the fields\n"
    "                            videoId, title, uploader, coverUrl, mp3Url, mp4Url,\n"
    "                            assUrl, xmlUrl and pageText\n"
    "  --video-site-host HOST    host of the video site (built in: %s)\n"
    "  --mirror-host HOST        host of the mirror site (built in: %s)\n"
    "  --connect-timeout SECONDS time allowed to connect (default 60)\n"
    "  --idle-timeout SECONDS    time allowed without a byte (default 30)\n"
    "  --low-speed-window SECONDS\n"
    "                            fewer than 1024 bytes received in this time\n"
    "                            ends the fetch (default 30)\n"
    "  --deadline SECONDS        time allowed for the whole fetch, redirections\n"
    "                            included (default 300)\n"
    "  --max-page-bytes BYTES    the largest page accepted (default 67108864)\n"
    "  -h, --help                this text\n"
    "\n"
    "exit status:\n"
    "  0  parsed: the report (or the JSON object) is on standard output\n"
    "  1  not parsed: the failure message and a line \"cause: ...\" are on\n"
    "     standard error, or the output could not be written. The causes:\n"
    "       no video identifier in the address\n"
    "       the mirror address cannot be used: HOST:PORT\n"
    "       host not found: HOST:PORT\n"
    "       connection refused by HOST:PORT\n"
    "       time-out connecting to HOST:PORT\n"
    "       time-out waiting for HOST:PORT\n"
    "       too slow: fewer than N bytes in S s from HOST:PORT\n"
    "       deadline of S s passed waiting for HOST:PORT\n"
    "       page larger than N bytes from HOST:PORT\n"
    "       no response from HOST:PORT\n"
    "       HTTP status N from HOST:PORT\n"
    "       the page was empty\n"
    "       the page had no title\n"
    "  2  wrong usage\n";

int usage() {
  std::fputs("usage: pindrel-parse [--json] [--video-site-host HOST] [--mirror-host HOST]\n"
             "                     [--connect-timeout SECONDS] [--idle-timeout SECONDS]\n"
             "                     [--low-speed-window SECONDS] [--deadline SECONDS]\n"
             "                     [--max-page-bytes BYTES] ADDRESS\n"
             "       pindrel-parse --help\n",
             stderr);
  return kExitUsage;
}

int help() {
  std::printf(kHelp, local_to_utf8(site_hosts().videoSiteHost).c_str(), local_to_utf8(site_hosts().mirrorHost).c_str());
  return std::fflush(stdout) == 0 ? kExitParsed : kExitFailed;
}

// Command-line arguments arrive as UTF-8; the program's texts are code page 936.
Text argument_text(const char* arg) { return utf8_to_local(Text::from_bytes(arg)); }

// "1.5" -> 1500 ms; false for anything but a positive number.
bool seconds_option(const char* arg, std::chrono::milliseconds* out) {
  char* end = nullptr;
  errno = 0;
  const double s = std::strtod(arg, &end);
  if (end == arg || *end != '\0' || errno != 0 || !(s > 0) || s > 86400) return false;
  *out = std::chrono::milliseconds(static_cast<long long>(s * 1000 + 0.5));
  return out->count() > 0;
}

// "4096" -> 4096; false for anything but a positive whole number.
bool bytes_option(const char* arg, std::size_t* out) {
  if (*arg < '0' || *arg > '9') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(arg, &end, 10);
  if (*end != '\0' || errno != 0 || n == 0) return false;
  *out = static_cast<std::size_t>(n);
  return true;
}

// 30000 ms -> "30 s", 500 ms -> "0.5 s".
std::string seconds_text(std::chrono::milliseconds ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(ms.count()) / 1000);
  return text;
}

void append_json_string(std::string& out, const Text& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char c : local_to_utf8(text)) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20) {
          out += "\\u00";
          out.push_back(kHex[u >> 4]);
          out.push_back(kHex[u & 0xF]);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

std::string json_object(const ParseResultTexts& r) {
  const std::pair<const char*, const Text*> fields[] = {
      {"videoId", &r.videoId}, {"title", &r.title},   {"uploader", &r.uploader},
      {"coverUrl", &r.coverUrl}, {"mp3Url", &r.mp3Url}, {"mp4Url", &r.mp4Url},
      {"assUrl", &r.assUrl},   {"xmlUrl", &r.xmlUrl}, {"pageText", &r.pageText},
  };
  std::string out = "{";
  for (const auto& [name, text] : fields) {
    if (out.size() > 1) out += ",";
    out += "\"";
    out += name;
    out += "\":";
    append_json_string(out, *text);
  }
  out += "}\n";
  return out;
}

std::string report_text(const ParseResultTexts& r) {
  std::string out;
  for (const Text& line : VideoReportLines(r)) out += local_to_utf8(line);
  return out;
}

// A limit of our own that ended the fetch, as a cause; empty when none did.
std::string limit_cause(const WatchedFetch& fetch, const TransferLimits& limits) {
  const std::string& at = fetch.host_and_port;
  switch (fetch.outcome) {
    case FetchOutcome::kIdleTimedOut: return "time-out waiting for " + at;
    case FetchOutcome::kTooSlow:
      return "too slow: fewer than " + std::to_string(limits.low_speed_bytes) + " bytes in " +
             seconds_text(limits.low_speed_window) + " from " + at;
    case FetchOutcome::kDeadline: return "deadline of " + seconds_text(limits.deadline) + " passed waiting for " + at;
    case FetchOutcome::kBodyTooLong: return "page larger than " + std::to_string(limits.max_body_bytes) + " bytes from " + at;
    default: return {};
  }
}

// The first reason, in the order of the parse, why no title came out: the
// address, the connection, the response's status, a limit that cut the page
// short, the page itself.
std::string failure_cause(const ParseResultTexts& r, const WatchedFetch& fetch, const TransferLimits& limits) {
  if (r.videoId.empty()) return "no video identifier in the address";
  const std::string& at = fetch.host_and_port;
  switch (fetch.outcome) {
    case FetchOutcome::kBadAddress: return "the mirror address cannot be used: " + at;
    case FetchOutcome::kHostNotFound: return "host not found: " + at;
    case FetchOutcome::kRefused: return "connection refused by " + at;
    case FetchOutcome::kConnectTimedOut: return "time-out connecting to " + at;
    default: break;
  }
  const std::string limit = limit_cause(fetch, limits);
  if (fetch.status == 0) return limit.empty() ? "no response from " + at : limit;
  if (fetch.status != 200) return "HTTP status " + std::to_string(fetch.status) + " from " + at;
  if (!limit.empty()) return limit;
  if (r.pageText.empty()) return "the page was empty";
  return "the page had no title";
}

bool write_all(const std::string& out) {
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* address = nullptr;
  bool json = false;
  CurlTransportSettings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "-h" || a == "--help") {
      return help();
    } else if (a == "--json") {
      json = true;
    } else if ((a == "--video-site-host" || a == "--mirror-host") && has_value) {
      (a == "--mirror-host" ? site_hosts().mirrorHost : site_hosts().videoSiteHost) = argument_text(argv[++i]);
    } else if (a == "--connect-timeout" && has_value) {
      if (!seconds_option(argv[++i], &settings.limits.connect_timeout)) return usage();
    } else if (a == "--idle-timeout" && has_value) {
      if (!seconds_option(argv[++i], &settings.limits.idle_timeout)) return usage();
    } else if (a == "--low-speed-window" && has_value) {
      if (!seconds_option(argv[++i], &settings.limits.low_speed_window)) return usage();
    } else if (a == "--deadline" && has_value) {
      if (!seconds_option(argv[++i], &settings.limits.deadline)) return usage();
    } else if (a == "--max-page-bytes" && has_value) {
      if (!bytes_option(argv[++i], &settings.limits.max_body_bytes)) return usage();
    } else if (!a.empty() && a[0] == '-') {
      return usage();
    } else if (address == nullptr) {
      address = argv[i];
    } else {
      return usage();
    }
  }
  if (address == nullptr) return usage();

  const WatchedFetch fetch = ParseVideoAddressWatched(argument_text(address), settings);
  if (ParseResult.title.empty()) {
    const std::string message = local_to_utf8(ParseFailureMessage()) + "\ncause: " + failure_cause(ParseResult, fetch, settings.limits) + "\n";
    std::fputs(message.c_str(), stderr);
    return kExitFailed;
  }
  return write_all(json ? json_object(ParseResult) : report_text(ParseResult)) ? kExitParsed : kExitFailed;
}
