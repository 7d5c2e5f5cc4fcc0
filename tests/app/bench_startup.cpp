// From process start to MainWindow shown, and the resident memory at that
// moment. Each iteration starts startup_probe (the program's own start-up
// path, RunPindrel, with a watcher that reports the moment MainWindow is shown
// and then closes it) and takes the time from just before the spawn to that
// moment. The offscreen platform unless QT_QPA_PLATFORM says otherwise, e.g.
//   DISPLAY=:15 QT_QPA_PLATFORM=xcb bench_startup   (under Xvfb)
// Medians over the repetitions are reported with the means.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

extern char** environ;

namespace {

long long monotonic_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct Start {
  long long ns = -1;  // from spawn to MainWindow shown; -1 when the probe failed
  long rss_kb = 0;    // resident memory of the probe at that moment
};

// Runs the probe once.
Start one_start() {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char probe[] = PINDREL_STARTUP_PROBE;
  char* argv[] = {probe, nullptr};
  const long long start = monotonic_ns();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, probe, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  if (spawned != 0) return {};
  int status = 0;
  waitpid(pid, &status, 0);
  long long shown = 0;
  long rss = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(text.c_str(), "shown %lld rss %ld", &shown, &rss) != 2)
    return {};
  return {shown - start, rss};
}

void BM_StartToMainWindowShown(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  double rss_mb = 0;
  for (auto _ : state) {
    const Start s = one_start();
    if (s.ns < 0) {
      state.SkipWithError("the start-up probe did not report MainWindow shown");
      break;
    }
    state.SetIterationTime(static_cast<double>(s.ns) / 1e9);
    rss_mb += static_cast<double>(s.rss_kb) / 1024.0;
  }
  state.counters["rss_MB"] = benchmark::Counter(rss_mb, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StartToMainWindowShown)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

}  // namespace
