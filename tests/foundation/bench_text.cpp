// Throughput of the marker cut, the forward search and the conversion on
// 1 MiB inputs shaped like the program's real ones.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "foundation/code_page.h"
#include "foundation/local_text.h"
#include "foundation/text_between.h"
#include "foundation/text_primitives.h"

using namespace pindrel;

namespace {

constexpr std::size_t kMiB = 1u << 20;

// An HTML page, mostly ASCII markup with a Chinese word now and then (GBK
// bytes), and the field's markers near its end.
Text ascii_heavy_page() {
  std::string page;
  const std::string row = "<div class=\"item\"><a href=\"/video/av1917648/\" title=\"x\">link</a></div>\r\n";
  const std::string chinese = "\xCA\xD3\xC6\xB5";  // GBK "视频"
  int i = 0;
  while (page.size() < kMiB - 200) {
    page += row;
    if (++i % 16 == 0) page += chinese;
  }
  page += "<div class=\"field\">\xB1\xEA\xCC\xE2 value</div>\r\n";
  return Text::from_bytes(page);
}

std::string mixed_chinese_utf8() {
  std::string s;
  const char* pieces[] = {"\xE4\xB8\xAD\xE6\x96\x87", "abc ", "\xE8\xA7\x86\xE9\xA2\x91", "<br>",
                          "\xE4\xB8\x8A\xE4\xBC\xA0\xE8\x80\x85", "123"};
  std::mt19937 rng(1);
  while (s.size() < kMiB) s += pieces[rng() % 6];
  return s;
}

void BM_TextBetween_AsciiHeavyPage(benchmark::State& state) {
  const Text page = ascii_heavy_page();
  const Text left = Text::from_bytes("<div class=\"field\">");
  const Text right = Text::from_bytes("</div>");
  for (auto _ : state) benchmark::DoNotOptimize(TextBetween(page, left, right));
  state.SetBytesProcessed(state.iterations() * page.length());
}
BENCHMARK(BM_TextBetween_AsciiHeavyPage);

void BM_FindText_MixedChinese(benchmark::State& state) {
  const Text text = utf8_to_local(Text::from_bytes(mixed_chinese_utf8()));
  const Text absent = local_text(u8"不存在");
  for (auto _ : state) benchmark::DoNotOptimize(find_text(text, absent));
  state.SetBytesProcessed(state.iterations() * text.length());
}
BENCHMARK(BM_FindText_MixedChinese);

// The subtext's first character is the most frequent one of the text, so
// nearly every character is a candidate; the match stands at the very end.
void BM_FindText_MixedChinese_FrequentCandidates(benchmark::State& state) {
  const Text body = utf8_to_local(Text::from_bytes(mixed_chinese_utf8()));
  const Text needle = local_text(u8"中文终");
  const Text text = concat_text(body, needle);
  for (auto _ : state) benchmark::DoNotOptimize(find_text(text, needle));
  state.SetBytesProcessed(state.iterations() * text.length());
}
BENCHMARK(BM_FindText_MixedChinese_FrequentCandidates);

void BM_FindText_MixedChinese_IgnoreCase(benchmark::State& state) {
  const Text text = utf8_to_local(Text::from_bytes(mixed_chinese_utf8()));
  const Text absent = Text::from_bytes("<BR/>");
  for (auto _ : state) benchmark::DoNotOptimize(find_text(text, absent, 1, true));
  state.SetBytesProcessed(state.iterations() * text.length());
}
BENCHMARK(BM_FindText_MixedChinese_IgnoreCase);

void BM_Utf8ToLocal_MixedChinese(benchmark::State& state) {
  const Text utf8 = Text::from_bytes(mixed_chinese_utf8());
  for (auto _ : state) benchmark::DoNotOptimize(utf8_to_local(utf8));
  state.SetBytesProcessed(state.iterations() * utf8.length());
}
BENCHMARK(BM_Utf8ToLocal_MixedChinese);

// The same conversion in the text's own storage, as a fetched page is
// converted (the copy it works on is made with the timer stopped).
void BM_Utf8ToLocal_MixedChinese_InPlace(benchmark::State& state) {
  const Text utf8 = Text::from_bytes(mixed_chinese_utf8());
  for (auto _ : state) {
    state.PauseTiming();
    Text page = utf8;
    state.ResumeTiming();
    benchmark::DoNotOptimize(utf8_to_local(std::move(page)));
  }
  state.SetBytesProcessed(state.iterations() * utf8.length());
}
BENCHMARK(BM_Utf8ToLocal_MixedChinese_InPlace);

}  // namespace
