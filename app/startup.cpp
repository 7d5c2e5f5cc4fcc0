#include "app/startup.h"

#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/skin_attach.h"
#include "foundation/gui/runtime.h"

namespace pindrel {

namespace {

int startup_skin = 1;

// Step 3: the stored skin engine into skinLoader. Whether it loaded is not
// looked at: without it the windows keep their own look.
void LoadSkinEngineStep() { LoadSkinEngine(); }

}  // namespace

void ExitRoutine() {
  ReleaseGlobalTexts();
  ReleaseSkinLoader();
}

int RunStartupSequence() {
  CreateSkinLoader();
  register_exit_routine(&ExitRoutine);
  LoadSkinEngineStep();
  MainWindow window;
  load_startup_window(window);
  return run_message_loop(window);
}

int StartupSkinNumber() { return startup_skin; }

int RunPindrel(int argc, char** argv, int skin) {
  startup_skin = skin;
  GuiRuntime runtime(argc, argv);
  return RunStartupSequence();
}

}  // namespace pindrel
