// Entry point of the Windows GUI program Tavrin: no window, no console. The
// arguments are the runtime's split of the wide command line, in UTF-8.
#include <windows.h>

#include "augment/tavrin.h"
#include "platform/process_files.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    platform::CommandLineArguments arguments(__argc, __argv);
    return tavrinMain(arguments.count(), arguments.vector());
}
