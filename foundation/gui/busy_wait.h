// Busy, not frozen: what the GUI thread does while a blocking transfer waits
// for the network. The handler that started the transfer still waits for it
// to end, but meanwhile the program's windows keep painting and show the
// busy cursor, and user input to them (mouse, keys, wheel, close requests)
// is dropped, as it is for a window that is busy on the platform.
//
//   set_transfer_wait_hook(&keep_windows_painted);   // from the application
//   fetch_bytes(address);   // calls it every few tens of milliseconds
//
// The busy state begins with the first call of a wait and ends when the
// thread next goes back to waiting for events in an event loop, that is once
// the handler returned or opened a window or message box of its own.
#pragma once

namespace pindrel {

// One round of the wait: enters the busy state if need be, then handles the
// pending window-system and posted events except user input, timers and
// socket notifiers. Does nothing without a QApplication or off the GUI thread.
void keep_windows_painted();

// True from the first keep_windows_painted of a wait until the busy state
// ends.
bool busy_waiting();

// Ends the busy state at once (the cursor and input come back).
void end_busy_wait();

}  // namespace pindrel
