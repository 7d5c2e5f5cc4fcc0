// The core of the parse action, without windows: from a typed video-page
// address to the nine ParseResult texts and the eight report lines.
//
//   "http://" + videoSiteHost + "/video/av1917648/"
//     -> videoId "av1917648"
//     -> GET "http://" + mirrorHost + "/video/av1917648", UTF-8 -> code page 936
//     -> seven marker cuts -> title, uploader, cover, MP3, MP4, ASS, XML
//     -> "\r\n视频名称：<title>\r\n", "\r\nUp主：<uploader>\r\n", ...
#pragma once

#include <array>

#include "app/page_fetch.h"
#include "app/parse_result.h"
#include "foundation/text.h"

namespace pindrel {

// "亲，地址错误或者暂不支持解析喔~ 请仔细检查一下喔~": shown when the page gave no title.
Text ParseFailureMessage();

// The identifier between the video-page prefix and the next "/"; empty when
// the address lacks the exact prefix or the closing slash.
Text VideoIdFromAddress(const Text& address);

// Cuts the seven fields out of `pageText` (already in code page 936), each
// searched from the start of the page, and stores them with their link
// prefixes into `into`. Every field is written, found or not.
void CutVideoFields(const Text& pageText, const Text& linkPrefix, ParseResultTexts& into);

// The whole parse without the windows: writes all nine ParseResult fields
// (identifier, fetched and converted page, seven cuts). A parse succeeded
// when ParseResult.title is not empty afterwards.
void ParseVideoAddress(const Text& address);
// The same parse with the fetch made through FetchPageWatched, for callers
// that say why a parse failed; the fields come out exactly the same.
WatchedFetch ParseVideoAddressWatched(const Text& address, const CurlTransportSettings& settings);

// The eight report lines, in their order, each label + field + "\r\n"; the
// last is the fixed reminder.
std::array<Text, 8> VideoReportLines(const ParseResultTexts& result);

}  // namespace pindrel
