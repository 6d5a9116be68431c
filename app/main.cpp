// Setup32: the setup launcher of the access kit's CD. The folder it is started
// in is the kit folder.
#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "wizard/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    Win32Platform platform(instance);
    Wizard wizard(platform);
    return platform.Run(wizard, showCommand);
}
