// Composition of a request: see http_request_plan.h. Every "contains" test on
// the header block counts letter case, as the defaults are meant to be added
// only when the caller's lines do not already spell them the same way.
#include "net/http_request_plan.h"

#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"
#include "net/url_parts.h"

namespace pindrel {
namespace {

bool contains(const Text& t, const Text& sub) { return find_text(t, sub) != -1; }

// Of a block with several lines, the value of the first line whose name is
// "user-agent" in any letter case; nullopt when no line has that name.
std::optional<Text> agent_line_value(const Text& block) {
  for (const Text& line : split_text(block, local_text(u8"\r\n"))) {
    int colon = find_text(line, local_text(u8":"));
    if (colon == -1) continue;
    if (to_lower(trim_spaces(text_left(line, colon - 1))) == local_text(u8"user-agent")) {
      return trim_spaces(text_right(line, text_length(line) - colon));
    }
  }
  return std::nullopt;
}

}  // namespace

const Text& DefaultUserAgent() {
  static const Text agent = local_text(u8"Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  return agent;
}

Text AgentFromHeaders(const Text& extraHeaders) {
  if (find_text(extraHeaders, local_text(u8"User-Agent:"), 1, /*ignore_case=*/true) == -1) {
    return DefaultUserAgent();
  }
  Text agent = trim_spaces(TextBetween(extraHeaders, local_text(u8"User-Agent:"), local_text(u8"\r\n")));
  if (!agent.empty()) return agent;
  int colon = find_text(extraHeaders, local_text(u8":"));
  if (!contains(extraHeaders, local_text(u8"\r\n"))) {
    // A lone line: its value, whatever the letter case of its name.
    return trim_spaces(text_right(extraHeaders, text_length(extraHeaders) - colon));
  }
  // Several lines and no "User-Agent:" line ended by "\r\n": the line may be
  // spelled in another case, have an empty value or be the last one. Taking
  // the text after the first ":" of the whole block would make the agent out of
  // the other lines; the value of the line named user-agent is what was meant.
  // When "User-Agent:" stands only inside some other line's value, no line
  // names an agent, and the default is used.
  return agent_line_value(extraHeaders).value_or(DefaultUserAgent());
}

HttpRequestPlan ComposeHttpRequest(const Text& url, int method, const Text& bodyText,
                                   const Text* cookieJar, const Text& extraHeaders,
                                   bool noRedirect, const ByteArray& bodyBytes,
                                   const Text& proxy) {
  HttpRequestPlan plan;
  plan.verb = method == 1 ? local_text(u8"POST") : local_text(u8"GET");
  plan.secure = IsHttpsUrl(url);
  plan.agent = AgentFromHeaders(extraHeaders);

  if (!proxy.empty()) {
    plan.proxy.access_type = kOpenTypeProxy;
    // "http=" names the proxy for plain addresses only; a secure address gets
    // the bare form, which serves every scheme.
    plan.proxy.proxy_list = plan.secure ? proxy : concat_text(local_text(u8"http="), proxy);
  }

  plan.flags = kFlagReload | kFlagNeedFile;
  if (cookieJar != nullptr) plan.flags |= kFlagNoCookies;
  if (noRedirect) plan.flags |= kFlagNoAutoRedirect;
  plan.flags |= plan.secure ? kFlagSecure : kFlagIgnoreRedirectToHttps;

  std::string block;
  if (extraHeaders.empty()) {
    block = "Accept: */*";
  } else {
    block = std::string(extraHeaders.bytes());
    if (!contains(extraHeaders, local_text(u8"Accept:"))) block += "\r\nAccept: */*";
  }
  // Searched by characters, like every other search here: a marker's bytes at
  // the second byte of a double-byte character do not count.
  auto has = [&block](std::u8string_view sub) { return contains(Text::from_bytes(block), local_text(sub)); };
  if (!has(u8"Referer:")) {
    block += "\r\nReferer: ";
    block += url.bytes();
  }
  if (!has(u8"Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
  if (!has(u8"Content-Type:")) block += "\r\nContent-Type: application/x-www-form-urlencoded";
  if (cookieJar != nullptr && !cookieJar->empty()) {
    block += "\r\nCookie: ";
    block += cookieJar->bytes();
  }
  plan.header_block = Text::from_bytes(block);

  if (method != 0) plan.body = bodyBytes.empty() ? text_to_bytes(bodyText) : bodyBytes;

  plan.host = UrlHost(url);
  plan.port = UrlPort(url);
  plan.path = UrlPath(url);
  return plan;
}

}  // namespace pindrel
