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

void BM_ParseCore(benchmark::State& state) {
  const Text& page = utf8_page();
  const Text prefix = Text::from_bytes("http://127.0.0.1:18601");
  for (auto _ : state) {
    ParseResultTexts r;
    r.pageText = utf8_to_local(page);
    CutVideoFields(r.pageText, prefix, r);
    auto lines = VideoReportLines(r);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.length());
  state.counters["page_bytes"] = page.length();
}
BENCHMARK(BM_ParseCore)->Unit(benchmark::kMillisecond);

void BM_Conversion(benchmark::State& state) {
  const Text& page = utf8_page();
  for (auto _ : state) benchmark::DoNotOptimize(utf8_to_local(page));
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
