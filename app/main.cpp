// Setup32: the setup launcher of the access kit's CD. The folder it is started
// in is the kit folder.
#include <windows.h>

#include <cstdlib>

#include "platform/win32/win32_platform.h"
#include "wizard/wizard.h"

// The C++ runtime's default terminate handler writes the uncaught exception's
// demangled type name to stderr, which a GUI program has not, and brings the
// demangler and printf with it (about 70 KB). Without it an uncaught exception
// ends the launcher as before, by abort().
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    Win32Platform platform(instance);
    Wizard wizard(platform);
    return platform.Run(wizard, showCommand);
}
