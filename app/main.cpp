// pindrel: the window program. It takes no command line of its own (Qt's
// platform options such as -platform still reach the run time).
#include "app/startup.h"

int main(int argc, char** argv) { return pindrel::RunPindrel(argc, argv); }
