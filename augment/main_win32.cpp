// Entry point of the Windows GUI program Tavrin: no window, no console. The
// runtime has already split the command line into __argc and __argv.
#include <windows.h>

#include <cstdlib>

#include "augment/tavrin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return tavrinMain(__argc, __argv); }
