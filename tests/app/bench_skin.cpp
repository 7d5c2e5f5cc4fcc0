// The skin attach at start-up: LoadSkinEngine (the stored engine mapped,
// relocated, bound and started in the emulated process) plus ApplySkin (1)
// (the engine checks skin 1 and hands its look to the application), with
// MainWindow's widgets there to take the look, as in the created event. The
// set-up of the process (CreateSkinLoader) is timed on its own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "app/main_window.h"
#include "app/skin_attach.h"

namespace pindrel {
namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "bench_skin";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication app(argc, argv);
  return app;
}

void BM_LoadSkinEngineAndApplySkinOne(benchmark::State& state) {
  Application();
  MainWindow window;
  const QPalette unskinned = QApplication::palette();
  for (auto _ : state) {
    state.PauseTiming();
    QApplication::setPalette(unskinned);
    qApp->setStyleSheet(QString());
    if (!CreateSkinLoader()) {
      state.SkipWithError("no emulated process");
      break;
    }
    state.ResumeTiming();
    LoadSkinEngine();
    ApplySkin(1);
  }
  if (skin_host() == nullptr || !skin_host()->applied()) state.SkipWithError("skin 1 was not applied");
  ReleaseSkinLoader();
}
BENCHMARK(BM_LoadSkinEngineAndApplySkinOne)->Unit(benchmark::kMillisecond);

void BM_CreateSkinLoader(benchmark::State& state) {
  Application();
  for (auto _ : state) benchmark::DoNotOptimize(CreateSkinLoader());
  ReleaseSkinLoader();
}
BENCHMARK(BM_CreateSkinLoader)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pindrel
