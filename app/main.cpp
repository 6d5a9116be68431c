// Setup32: the setup launcher of the access kit's CD. The folder it is started
// in is the kit folder.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/win32/win32_platform.h"
#include "wizard/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    InitCommonControls();           // tool tips
    CoInitialize(nullptr);          // the system's picture decoder
    Win32Platform platform(instance);
    Wizard wizard(platform);
    int code = platform.Run(wizard, showCommand);
    CoUninitialize();
    return code;
}
