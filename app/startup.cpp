#include "app/startup.h"

#include "app/main_window.h"
#include "app/parse_result.h"
#include "app/skin_attach.h"
#include "foundation/gui/busy_wait.h"
#include "foundation/gui/runtime.h"
#include "net/transfer_wait_hook.h"

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
  // The blocking fetches of the handlers keep the windows painted and show
  // the busy cursor while they wait; the HTTP library knows nothing of Qt.
  const TransferWaitHook former = set_transfer_wait_hook(&keep_windows_painted);
  const int code = RunStartupSequence();
  set_transfer_wait_hook(former);
  return code;
}

}  // namespace pindrel
