// The parse core on a 1 MiB mirror page: the UTF-8 to code page 936
// conversion, the seven marker cuts and the eight report lines; and the three
// steps apart.
#include <benchmark/benchmark.h>

#include "app/video_page_parse.h"
#include "foundation/code_page.h"
#include "tools/standin_sites/demo_videos.h"

namespace pindrel {
namespace {

const Text& utf8_page() {
  static const Text page = [] {
    const auto* video = standin::find_demo_video("av1917648");
    std::string html = standin::mirror_video_page(*video, "http://127.0.0.1:18601", 0);
    html = standin::mirror_video_page(*video, "http://127.0.0.1:18601", (1u << 20) - html.size());
    return Text::from_bytes(html);
  }();
  return page;
}

// 1 MiB of mostly ASCII markup (a Chinese word every sixteen rows) in front
// of the demo page, so the seven markers stand at the end.
const Text& ascii_heavy_utf8_page() {
  static const Text page = [] {
    const auto* video = standin::find_demo_video("av1917648");
    const std::string tail = standin::mirror_video_page(*video, "http://127.0.0.1:18601", 0);
    const std::string row = "<div class=\"item\"><a href=\"/video/av1917648/\" title=\"x\">link</a></div>\r\n";
    std::string html;
    for (int i = 1; html.size() + row.size() + tail.size() + 6 < (1u << 20); ++i) {
      html += row;
      if (i % 16 == 0) html += "\xE8\xA7\x86\xE9\xA2\x91";  // UTF-8 "视频"
    }
    html.append((1u << 20) - tail.size() - html.size(), ' ');
    return Text::from_bytes(html + tail);
  }();
  return page;
}

// The parse core as the parse action runs it on a fetched page: the page is
// converted in its own storage (the copy that stands for the fetch is made
// with the timer stopped), then cut and reported.
void parse_core(benchmark::State& state, const Text& page) {
  const Text prefix = Text::from_bytes("http://127.0.0.1:18601");
  for (auto _ : state) {
    state.PauseTiming();
    Text fetched = page;
    state.ResumeTiming();
    ParseResultTexts r;
    r.pageText = utf8_to_local(std::move(fetched));
    CutVideoFields(r.pageText, prefix, r);
    auto lines = VideoReportLines(r);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.length());
  state.counters["page_bytes"] = page.length();
}

void BM_ParseCore(benchmark::State& state) { parse_core(state, utf8_page()); }
BENCHMARK(BM_ParseCore)->Unit(benchmark::kMillisecond);

void BM_ParseCore_AsciiHeavy(benchmark::State& state) { parse_core(state, ascii_heavy_utf8_page()); }
BENCHMARK(BM_ParseCore_AsciiHeavy)->Unit(benchmark::kMillisecond);

// From a page that stays (a copy, then the conversion in it).
void BM_Conversion(benchmark::State& state) {
  const Text& page = utf8_page();
  for (auto _ : state) benchmark::DoNotOptimize(utf8_to_local(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.length());
}
BENCHMARK(BM_Conversion)->Unit(benchmark::kMillisecond);

void BM_SevenCuts(benchmark::State& state) {
  const Text local = utf8_to_local(utf8_page());
  const Text prefix = Text::from_bytes("http://127.0.0.1:18601");
  for (auto _ : state) {
    ParseResultTexts r;
    CutVideoFields(local, prefix, r);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_SevenCuts)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pindrel
