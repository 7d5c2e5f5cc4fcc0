// A "while waiting" hook for the blocking transfers of this library
// (SendHttpRequest's transport and fetch_bytes). Each transfer runs on the
// caller's thread until it ends; while it waits for the network it calls the
// installed hook every few tens of milliseconds, so that a GUI layer can keep
// its windows painted without this library knowing anything of the GUI.
//
//   set_transfer_wait_hook([] { /* handle paint events */ });
//   fetch_bytes(address);             // the hook runs while the body trickles in
//   set_transfer_wait_hook(nullptr);  // transfers wait silently again
//
// The hook runs on the thread that started the transfer and must not start
// another transfer itself. One hook for the process; single-threaded like the
// rest of this library.
#pragma once

#include <functional>

namespace pindrel {

using TransferWaitHook = std::function<void()>;

// How long a transfer waits at most between two calls of the hook.
inline constexpr int kTransferWaitHookIntervalMs = 20;

// Installs `hook` (an empty function removes it) and returns the former one.
TransferWaitHook set_transfer_wait_hook(TransferWaitHook hook);

// Called by the transfers while they wait: runs the hook when one is
// installed, and never runs it re-entrantly.
void run_transfer_wait_hook();

}  // namespace pindrel
