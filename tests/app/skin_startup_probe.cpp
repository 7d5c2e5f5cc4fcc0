// The program's start-up path, RunPindrel, with a chosen skin engine image
// and skin number, for the start-up tests:
//
//   skin_startup_probe [--engine FILE] [--skin N]
//
// Once MainWindow is shown and the message loop runs, it prints what the
// start-up left (one "key value" line each: whether the engine loaded, the
// skin the engine applied, the application's button and window colours,
// whether a style sheet is on, the host procedure calls, the message boxes
// asked for and the visible top-level windows) and closes the window; after
// the exit routine it prints the exit code, whether skinLoader was released
// and whether the engine's image is still mapped.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "app/main_window.h"
#include "app/skin_attach.h"
#include "app/startup.h"
#include "desktop_double.h"

namespace {

pindrel::testing::DesktopDouble* desktop = nullptr;

void Report() {
  using pindrel::skinLoader;
  const pindrel::SkinHost* host = pindrel::skin_host();
  const QPalette p = QApplication::palette();
  int windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) ++windows;
  std::printf("loaded %d\n", skinLoader != nullptr && skinLoader->GetImageBase() != 0 ? 1 : 0);
  std::printf("applied %s\n", host != nullptr && host->applied() ? host->applied()->name.c_str() : "-");
  std::printf("host-calls %d\n", host != nullptr ? host->procedure_calls() : 0);
  std::printf("button %s\n", p.color(QPalette::Button).name().toStdString().c_str());
  std::printf("window %s\n", p.color(QPalette::Window).name().toStdString().c_str());
  std::printf("sheet %d\n", qApp->styleSheet().isEmpty() ? 0 : 1);
  std::printf("messages %zu\n", desktop->messages.size());
  std::printf("windows %d\n", windows);
  std::printf("main-visible %d\n", pindrel::main_window()->isVisible() ? 1 : 0);
  std::fflush(stdout);
}

// Posted while the run time starts; the first event loop to run it is the
// message loop, after MainWindow's created event and its show.
void ReportWhenTheLoopRuns() {
  QTimer::singleShot(0, [] {
    if (pindrel::main_window() == nullptr) return;
    Report();
    pindrel::main_window()->close();
  });
}
Q_COREAPP_STARTUP_FUNCTION(ReportWhenTheLoopRuns)

}  // namespace

int main(int argc, char** argv) {
  int skin = 1;
  int qt_argc = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--engine") == 0) {
      std::ifstream in(argv[i + 1], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "skin_startup_probe: cannot read %s\n", argv[i + 1]);
        return 2;
      }
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      pindrel::SetSkinEngineImageForTesting(pindrel::ByteArray::from_view(bytes));
    } else if (std::strcmp(argv[i], "--skin") == 0) {
      skin = std::atoi(argv[i + 1]);
    }
  }
  pindrel::testing::DesktopDouble double_services;
  desktop = &double_services;
  const int code = pindrel::RunPindrel(qt_argc, argv, skin);
  const pindrel::EmulatedProcess* process = pindrel::skin_process();
  std::printf("exit %d\n", code);
  std::printf("released %d\n", pindrel::skinLoader == nullptr ? 1 : 0);
  std::printf("engine-mapped %d\n", process != nullptr && process->IsReserved(0x10000000) ? 1 : 0);
  return 0;
}
