// From process start to MainWindow shown, on the offscreen platform. Each
// iteration starts startup_probe (the program's own start-up path, RunPindrel,
// with a watcher that reports the moment MainWindow is shown and then closes
// it) and takes the time from just before the spawn to that moment.
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

// Runs the probe once; the nanoseconds from spawn to MainWindow shown, or -1.
long long one_start() {
  int out[2];
  if (pipe(out) != 0) return -1;
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
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  long long shown = 0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::sscanf(text.c_str(), "shown %lld", &shown) != 1) return -1;
  return shown - start;
}

void BM_StartToMainWindowShown(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  for (auto _ : state) {
    const long long ns = one_start();
    if (ns < 0) {
      state.SkipWithError("the start-up probe did not report MainWindow shown");
      break;
    }
    state.SetIterationTime(static_cast<double>(ns) / 1e9);
  }
}
BENCHMARK(BM_StartToMainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
