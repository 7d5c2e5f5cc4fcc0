// The parse core without windows: the identifier cut, the seven marker cuts on
// small pages that show each marker's exact bytes, the report lines, and the
// command-line tool pindrel-parse against the stand-in mirror.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>

#include "app/page_fetch.h"
#include "app/video_page_parse.h"
#include "foundation/code_page.h"
#include "foundation/text_primitives.h"
#include "standin_fixture.h"
#include "tests/net/black_hole_listener.h"
#include "tools/loopback_server/hostile_handlers.h"
#include "tools/loopback_server/raw_socket_server.h"
#include "tests/support/test_text.h"

namespace pindrel {
namespace {

class ParseCore : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = site_hosts();
    site_hosts().videoSiteHost = Text::from_bytes("v.test");
    site_hosts().mirrorHost = Text::from_bytes("m.test");
  }
  void TearDown() override { site_hosts() = saved_; }

 private:
  SiteHosts saved_;
};

TEST_F(ParseCore, VideoIdIsCutBetweenThePrefixAndTheNextSlash) {
  struct Row {
    const char* address;
    const char* id;
  } rows[] = {
      {"http://v.test/video/av1917648/", "av1917648"},
      {"http://v.test/video/av1917648/index_2.html#page", "av1917648"},  // the rest is ignored
      {"http://v.test/video/av1917648", ""},                             // no closing slash
      {"http://v.test/video//", ""},
      {"https://v.test/video/av1/", ""},                                 // another scheme
      {"http://V.TEST/video/av1/", ""},                                  // letter case counts
      {"http://other.test/video/av1/", ""},
      {"see http://v.test/video/av7/ there", "av7"},                     // not anchored
      {"", ""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(VideoIdFromAddress(Text::from_bytes(r.address)), Text::from_bytes(r.id)) << r.address;
  EXPECT_EQ(MirrorPageAddress(Text::from_bytes("av1")), Text::from_bytes("http://m.test/video/av1"));
  EXPECT_EQ(MirrorPageAddress(Text()), Text::from_bytes("http://m.test/video/"));
}

// A page with every marker, built from its pieces so that one piece at a time
// can be broken.
struct PagePieces {
  std::string line_end = "\r\n";  // after each meta tag
  std::string spaces = std::string(24, ' ');
  std::string mp3 = "/mp3/a.mp3";
};

std::string page_from(const PagePieces& p) {
  return "<meta property=\"og:title\" content=\"标题\" />" + p.line_end +
         "<meta property=\"og:video:director\" content=\"上传者\" />" + p.line_end +
         "<meta property=\"og:image\" content=\"http://c.test/c.jpg\" />" + p.line_end +
         "<span class='Data_Title'>MP4/MP3下载</span>" + p.spaces +
         "<span class='Data_Data'><a href='/v.mp4' target='_blank' title='MP4下载'>MP4</a>"
         "<a onclick='PlayMp3(\"" + p.mp3 + "\");' href='#'>MP3</a></span>"
         "<span class='Data_Title'>ASS/XML弹幕下载</span>" + p.spaces +
         "<span class='Data_Data'><a href='http://a.test/a.ass' target='_blank'>ASS<dis480>弹幕</dis480></a>"
         "<a href='/x.xml' target='_blank'>XML<dis480>弹幕</dis480></a></span>\r\n";
}

ParseResultTexts cut(const std::string& utf8_page) {
  ParseResultTexts r;
  CutVideoFields(utf8_to_local(Text::from_bytes(utf8_page)), Text::from_bytes("http://m.test"), r);
  return r;
}

TEST_F(ParseCore, SevenFieldsFromACompletePage) {
  const ParseResultTexts r = cut(page_from({}));
  EXPECT_EQ(r.title, L(u8"标题"));
  EXPECT_EQ(r.uploader, L(u8"上传者"));
  EXPECT_EQ(r.coverUrl, Text::from_bytes("http://c.test/c.jpg"));
  EXPECT_EQ(r.mp4Url, Text::from_bytes("http://m.test/v.mp4"));
  EXPECT_EQ(r.mp3Url, Text::from_bytes("http://m.test/mp3/a.mp3"));
  EXPECT_EQ(r.assUrl, Text::from_bytes("http://a.test/a.ass"));  // no prefix
  EXPECT_EQ(r.xmlUrl, Text::from_bytes("http://m.test/x.xml"));
}

TEST_F(ParseCore, MarkersMatchOnlyTheirExactBytes) {
  {
    PagePieces p;
    p.line_end = "\n";  // LF without CR: none of the three meta fields
    const ParseResultTexts got = cut(page_from(p));
    EXPECT_TRUE(got.title.empty());
    EXPECT_TRUE(got.uploader.empty());
    EXPECT_TRUE(got.coverUrl.empty());
    EXPECT_EQ(got.mp4Url, Text::from_bytes("http://m.test/v.mp4"));
  }
  {
    PagePieces p;
    p.line_end = "\r";  // CR alone is enough
    const ParseResultTexts got = cut(page_from(p));
    EXPECT_EQ(got.title, L(u8"标题"));
    EXPECT_EQ(got.coverUrl, Text::from_bytes("http://c.test/c.jpg"));
  }
  {
    // Only the title line lacks its CR: the cut runs on to the next CR, as
    // the marker pair says.
    const std::string page = "<meta property=\"og:title\" content=\"标题\" />\n<b>x</b>\" />\r\n";
    EXPECT_EQ(cut(page).title, L(u8"标题\" />\n<b>x</b>"));
  }
  struct Row {
    const char* what;
    std::string spaces;
  } rows[] = {{"23 spaces", std::string(23, ' ')}, {"25 spaces", std::string(25, ' ')},
              {"a tab among them", std::string(23, ' ') + "\t"}};
  for (const Row& r : rows) {
    PagePieces p;
    p.spaces = r.spaces;
    const ParseResultTexts got = cut(page_from(p));
    EXPECT_EQ(got.mp4Url, Text::from_bytes("http://m.test")) << r.what;
    EXPECT_TRUE(got.assUrl.empty()) << r.what;
    EXPECT_EQ(got.mp3Url, Text::from_bytes("http://m.test/mp3/a.mp3")) << r.what;  // its markers do not involve the spaces
  }
}

TEST_F(ParseCore, EmptyPageGivesEmptyFieldsAndBarePrefixes) {
  const ParseResultTexts r = cut("");
  EXPECT_TRUE(r.title.empty());
  EXPECT_TRUE(r.uploader.empty());
  EXPECT_TRUE(r.coverUrl.empty());
  EXPECT_TRUE(r.assUrl.empty());
  EXPECT_EQ(r.mp3Url, Text::from_bytes("http://m.test"));
  EXPECT_EQ(r.mp4Url, Text::from_bytes("http://m.test"));
  EXPECT_EQ(r.xmlUrl, Text::from_bytes("http://m.test"));
}

TEST_F(ParseCore, FirstOccurrenceWinsAndEachCutSearchesFromTheStart) {
  // The cover tag stands before the title tag, and the title tag twice.
  const std::string page =
      "<meta property=\"og:image\" content=\"first.jpg\" />\r"
      "<meta property=\"og:title\" content=\"一\" />\r"
      "<meta property=\"og:title\" content=\"二\" />\r";
  const ParseResultTexts r = cut(page);
  EXPECT_EQ(r.title, L(u8"一"));
  EXPECT_EQ(r.coverUrl, Text::from_bytes("first.jpg"));
}

TEST(ReportLines, EightLinesWithTheirLabels) {
  ParseResultTexts r;
  r.title = L(u8"标题");
  r.uploader = Text();  // an empty field is a label with nothing after it
  r.coverUrl = Text::from_bytes("c");
  r.mp3Url = Text::from_bytes("m3");
  r.mp4Url = Text::from_bytes("m4");
  r.assUrl = Text::from_bytes("a");
  r.xmlUrl = Text::from_bytes("x");
  const auto lines = VideoReportLines(r);
  const Text expected[8] = {
      L(u8"\r\n视频名称：标题\r\n"), L(u8"\r\nUp主：\r\n"),        L(u8"\r\n封面：c\r\n"),
      L(u8"\r\nMp3下载：m3\r\n"),    L(u8"\r\nMp4下载：m4\r\n"),   L(u8"\r\nAss弹幕下载：a\r\n"),
      L(u8"\r\nXML弹幕下载：x\r\n"), L(u8"\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n"),
  };
  for (int i = 0; i < 8; ++i) EXPECT_EQ(lines[static_cast<std::size_t>(i)], expected[i]) << i;
}

using FetchAndParse = testing::StandinSitesTest;

TEST_F(FetchAndParse, FetchPageGivesTheBodyOrNothing) {
  const Text page = FetchPage(mirror("/video/av1917648"));
  EXPECT_NE(find_text(page, Text::from_bytes("og:title")), -1);
  EXPECT_TRUE(FetchPage(mirror("/no/such/page")).empty());  // a 404 with an empty body
  const auto requests = sites.mirror().requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_TRUE(requests[0].body.empty());
}

TEST_F(FetchAndParse, ParseVideoAddressWritesAllNineFields) {
  ParseResult.assUrl = Text::from_bytes("left over");
  ParseVideoAddress(video_page("av2000003/"));
  EXPECT_EQ(ParseResult.videoId, Text::from_bytes("av2000003"));
  EXPECT_EQ(ParseResult.title, L(u8"弹幕链接为空的示例"));
  EXPECT_TRUE(ParseResult.assUrl.empty());
  EXPECT_EQ(ParseResult.xmlUrl, mirror(""));
}

// pindrel-parse, run as its own process, with its two streams apart.
struct ToolOutput {
  int status = -1;
  std::string out;
  std::string err;
};

std::string read_stream(FILE* f) {
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  return text;
}

ToolOutput run_tool(const std::string& args) {
  ToolOutput result;
  char err_path[] = "/tmp/pindrel-parse-err-XXXXXX";
  const int fd = mkstemp(err_path);
  if (fd < 0) return result;
  ::close(fd);
  const std::string command = std::string(PINDREL_PARSE_TOOL) + " " + args + " 2>" + err_path;
  if (FILE* p = popen(command.c_str(), "r")) {
    result.out = read_stream(p);
    const int raw = pclose(p);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  if (FILE* f = std::fopen(err_path, "r")) {
    result.err = read_stream(f);
    std::fclose(f);
  }
  std::remove(err_path);
  return result;
}

class ParseTool : public testing::StandinSitesTest {
 protected:
  std::string hosts(const std::string& mirror_host) const {
    return "--video-site-host " + sites.video_site_host() + " --mirror-host " + mirror_host;
  }
  std::string address(const std::string& id_and_rest) const {
    return " http://" + sites.video_site_host() + "/video/" + id_and_rest;
  }
};

TEST_F(ParseTool, PrintsTheReportAsUtf8) {
  const ToolOutput ok = run_tool(hosts(sites.mirror_host()) + address("av1917648/"));
  EXPECT_EQ(ok.status, 0);
  EXPECT_EQ(ok.err, "");
  const std::string m = "http://" + sites.mirror_host();
  EXPECT_EQ(ok.out, "\r\n视频名称：【MMD】夏日祭的烟火 ～Vantoro示例～\r\n\r\nUp主：星野小夜\r\n\r\n封面：" + m +
                        "/cover/av1917648.jpg\r\n\r\nMp3下载：" + m + "/mp3/av1917648.mp3\r\n\r\nMp4下载：" + m +
                        "/mp4/av1917648.mp4\r\n\r\nAss弹幕下载：" + m + "/ass/av1917648.ass\r\n\r\nXML弹幕下载：" + m +
                        "/xml/av1917648.xml\r\n\r\n温馨提醒：推荐使用迅雷进行下载，感谢Sorvek提供的端口！\r\n");
}

// The JSON object, read back by a JSON parser, holds what the same parse
// stores in ParseResult, field for field, as UTF-8.
TEST_F(ParseTool, JsonHoldsTheNineFieldsOfTheParse) {
  for (const char* id : {"av1917648", "av2000001", "av2000003"}) {
    const ToolOutput run = run_tool("--json " + hosts(sites.mirror_host()) + address(std::string(id) + "/"));
    ASSERT_EQ(run.status, 0) << id << run.err;
    ASSERT_FALSE(run.out.empty());
    EXPECT_EQ(run.out.back(), '\n');
    const nlohmann::json got = nlohmann::json::parse(run.out);  // throws on anything but one JSON value
    ASSERT_TRUE(got.is_object());

    ParseVideoAddress(video_page(std::string(id) + "/"));
    const std::pair<const char*, const Text*> fields[] = {
        {"videoId", &ParseResult.videoId}, {"title", &ParseResult.title},     {"uploader", &ParseResult.uploader},
        {"coverUrl", &ParseResult.coverUrl}, {"mp3Url", &ParseResult.mp3Url}, {"mp4Url", &ParseResult.mp4Url},
        {"assUrl", &ParseResult.assUrl},   {"xmlUrl", &ParseResult.xmlUrl},   {"pageText", &ParseResult.pageText},
    };
    EXPECT_EQ(got.size(), std::size(fields)) << id;
    for (const auto& [name, text] : fields) {
      ASSERT_TRUE(got.contains(name) && got[name].is_string()) << id << " " << name;
      EXPECT_EQ(got[name].get<std::string>(), local_to_utf8(*text)) << id << " " << name;
    }
    EXPECT_FALSE(ParseResult.pageText.empty());
  }
}

// A port on 127.0.0.1 where nothing listens.
int closed_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

std::string host_of(const RawSocketServer& s) { return s.base_url().substr(std::string("http://").size()); }

// Each way a parse fails, on its own loopback case with shortened limits: the
// window program's message, then one line naming the cause; nothing on
// standard output.
TEST_F(ParseTool, FailureNamesItsCause) {
  RawSocketServer silent([](RawConnection& c) { c.hold(); });
  RawSocketServer closing([](RawConnection& c) { c.close(); });
  RawSocketServer trickle(Trickle(std::chrono::milliseconds(40)));
  RawSocketServer chain(SlowRedirection(std::chrono::milliseconds(200), "/again"));
  RawSocketServer endless(EndlessBody(/*chunked=*/true));
  // A status, then silence: the status comes first among the causes, and a
  // 200 cut short by a limit is named by the limit.
  RawSocketServer missing_then_silent([](RawConnection& c) {
    c.send("HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\nnot");
    c.hold();
  });
  RawSocketServer ok_then_silent([](RawConnection& c) {
    c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<html>");
    c.hold();
  });
  for (RawSocketServer* s : {&silent, &closing, &trickle, &chain, &endless, &missing_then_silent, &ok_then_silent})
    ASSERT_TRUE(s->start());
  BlackHoleListener hole;
  ASSERT_TRUE(hole.start());
  const std::string hole_host = "127.0.0.1:" + std::to_string(hole.port());
  const std::string refused_host = "127.0.0.1:" + std::to_string(closed_port());
  // An over-long label fails in the local resolver, before any query is sent.
  const std::string unknown_host = std::string(70, 'a') + ".invalid";

  struct Row {
    const char* what;
    std::string args;
    std::string cause;
  } rows[] = {
      {"no identifier", hosts(sites.mirror_host()) + address("av1917648"), "no video identifier in the address"},
      {"port out of range", hosts("127.0.0.1:70000") + address("av1917648/"),
       "the mirror address cannot be used: 127.0.0.1:70000"},
      {"unknown host", hosts(unknown_host) + address("av1917648/"), "host not found: " + unknown_host + ":80"},
      {"refused", hosts(refused_host) + address("av1917648/"), "connection refused by " + refused_host},
      {"no connection in time", "--connect-timeout 0.3 " + hosts(hole_host) + address("av1917648/"),
       "time-out connecting to " + hole_host},
      {"silent server", "--idle-timeout 0.3 " + hosts(host_of(silent)) + address("av1917648/"),
       "time-out waiting for " + host_of(silent)},
      {"closed without a response", hosts(host_of(closing)) + address("av1917648/"),
       "no response from " + host_of(closing)},
      {"a trickle", "--low-speed-window 0.3 " + hosts(host_of(trickle)) + address("av1917648/"),
       "too slow: fewer than 1024 bytes in 0.3 s from " + host_of(trickle)},
      {"slow redirections", "--deadline 0.7 " + hosts(host_of(chain)) + address("av1917648/"),
       "deadline of 0.7 s passed waiting for " + host_of(chain)},
      {"a body without end", "--max-page-bytes 65536 " + hosts(host_of(endless)) + address("av1917648/"),
       "page larger than 65536 bytes from " + host_of(endless)},
      {"404, then silence", "--idle-timeout 0.3 " + hosts(host_of(missing_then_silent)) + address("av1917648/"),
       "HTTP status 404 from " + host_of(missing_then_silent)},
      {"200, then silence", "--idle-timeout 0.3 " + hosts(host_of(ok_then_silent)) + address("av1917648/"),
       "time-out waiting for " + host_of(ok_then_silent)},
      {"not found", hosts(sites.mirror_host()) + address("av404/"), "HTTP status 404 from " + sites.mirror_host()},
      {"no title (LF line ends)", hosts(sites.mirror_host()) + address("av2000002/"), "the page had no title"},
      {"--json changes nothing", "--json " + hosts(sites.mirror_host()) + address("av2000002/"), "the page had no title"},
  };
  for (const Row& r : rows) {
    const ToolOutput run = run_tool(r.args);
    EXPECT_EQ(run.status, 1) << r.what;
    EXPECT_EQ(run.out, "") << r.what;
    EXPECT_EQ(run.err, "亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~\ncause: " + r.cause + "\n") << r.what;
  }
}

// A page with its title at the start, sent without a length in two pieces
// (so that the first has been read when the second passes the cap): one of
// exactly the cap parses; one byte past the cap fails as a whole, although the
// part already read holds the title.
TEST_F(ParseTool, PagePastTheCapFailsWholeEvenWithATitleInIt) {
  const std::string page = "<meta property=\"og:title\" content=\"T\" />\r\n" + std::string(100'000, ' ');
  RawSocketServer server([&page](RawConnection& c) {
    if (!c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + page.substr(0, 1000))) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c.send(std::string_view(page).substr(1000));
  });
  ASSERT_TRUE(server.start());
  const std::string args = hosts(host_of(server)) + address("av1917648/");

  const ToolOutput at_cap = run_tool("--max-page-bytes " + std::to_string(page.size()) + " " + args);
  EXPECT_EQ(at_cap.status, 0) << at_cap.err;
  EXPECT_TRUE(at_cap.out.starts_with("\r\n视频名称：T\r\n")) << at_cap.out.substr(0, 100);

  const ToolOutput past = run_tool("--max-page-bytes " + std::to_string(page.size() - 1) + " " + args);
  EXPECT_EQ(past.status, 1);
  EXPECT_EQ(past.out, "");
  EXPECT_EQ(past.err, "亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~\ncause: page larger than " +
                          std::to_string(page.size() - 1) + " bytes from " + host_of(server) + "\n");
}

TEST_F(ParseTool, UsageAndHelp) {
  const ToolOutput help = run_tool("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--json", "--video-site-host", "--mirror-host", "--connect-timeout", "--idle-timeout",
                             "--low-speed-window", "--deadline", "--max-page-bytes"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  for (const char* code : {"  0  ", "  1  ", "  2  "}) EXPECT_NE(help.out.find(code), std::string::npos) << code;

  for (const char* args : {"", "--bogus x", "a b", "--idle-timeout 0 x", "--idle-timeout -1 x",
                           "--connect-timeout 1s x", "--mirror-host", "--deadline 0 x", "--low-speed-window x y",
                           "--max-page-bytes 0 x", "--max-page-bytes -5 x", "--max-page-bytes 1.5 x",
                           "--max-page-bytes 99999999999999999999999 x"}) {
    const ToolOutput run = run_tool(args);
    EXPECT_EQ(run.status, 2) << args;
    EXPECT_EQ(run.out, "") << args;
    EXPECT_NE(run.err.find("usage: pindrel-parse"), std::string::npos) << args;
  }
}

}  // namespace
}  // namespace pindrel
