// SendHttpRequest of a 1 MiB and a 16 MiB body from a loopback server, against
// a bare libcurl easy transfer of the same body into memory. Both open a fresh
// connection per transfer.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

#include "net/curl_transport.h"
#include "net/http_request.h"
#include "tools/loopback_server/loopback_server.h"

namespace pindrel {
namespace {

LoopbackServer& server() {
  static LoopbackServer* s = [] {
    static LoopbackServer instance;
    std::string one(1 << 20, 'a');
    for (std::size_t i = 0; i < one.size(); ++i) one[i] = static_cast<char>(i * 131);
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += one;
    instance.route("GET", "/1m", ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, one});
    instance.route("GET", "/16m", ScriptedResponse{200, {{"Content-Type", "application/octet-stream"}}, sixteen});
    instance.start();
    return &instance;
  }();
  return *s;
}

std::string path_for(int64_t mib) { return mib == 1 ? "/1m" : "/16m"; }

void BM_SendHttpRequest(benchmark::State& state) {
  const Text url = Text::from_bytes(server().base_url() + path_for(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    ByteArray body = SendHttpRequest(url);
    bytes = body.size();
    benchmark::DoNotOptimize(body);
  }
  if (bytes != static_cast<std::size_t>(state.range(0)) << 20) state.SkipWithError("short body");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (1 << 20));
}

size_t append(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void BM_BareCurl(benchmark::State& state) {
  const std::string url = server().base_url() + path_for(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string body;
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &append);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    bytes = body.size();
    benchmark::DoNotOptimize(body);
  }
  if (bytes != static_cast<std::size_t>(state.range(0)) << 20) state.SkipWithError("short body");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * (1 << 20));
}

BENCHMARK(BM_SendHttpRequest)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurl)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pindrel
