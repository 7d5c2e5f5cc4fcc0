// The start-up sequence of the window program, which `main` runs:
//   1. the GUI run time initialises (the QApplication);
//   2. the skin loader object is constructed and the exit routine registered;
//   3. the stored skin engine is loaded;
//   4. MainWindow is loaded as the start-up window (its created event runs);
//   5. the message loop runs until MainWindow closes; then the exit routine
//      runs and the program ends.
#pragma once

namespace pindrel {

// Steps 2 to 5 on an existing QApplication; returns the program's exit code.
int RunStartupSequence();

// The exit routine: releases ParseResult and UpdateInfo, then skinLoader.
void ExitRoutine();

// Steps 1 to 5, as main runs them; `skin` is the number the main window's
// created event attaches (1 unless the command line asked for another).
int RunPindrel(int argc, char** argv, int skin = 1);

// The skin number of this run, for the main window's created event.
int StartupSkinNumber();

}  // namespace pindrel
