#include "net/transfer_wait_hook.h"

#include <utility>

namespace pindrel {

namespace {

TransferWaitHook& installed_hook() {
  static TransferWaitHook hook;
  return hook;
}

bool hook_running = false;

}  // namespace

TransferWaitHook set_transfer_wait_hook(TransferWaitHook hook) {
  return std::exchange(installed_hook(), std::move(hook));
}

void run_transfer_wait_hook() {
  // A hook that pumps events may reach code that waits again; that inner wait
  // must not call the hook once more from inside itself.
  if (hook_running || !installed_hook()) return;
  hook_running = true;
  struct Reset {
    ~Reset() { hook_running = false; }
  } reset;
  installed_hook()();
}

}  // namespace pindrel
