// Setup32: the setup launcher of the access kit's CD. The folder it is started
// in is the kit folder.
#include <windows.h>

#include "platform/desktop/desktop.h"
#include "platform/forms/win32/win32_forms.h"
#include "platform/system/win32/win32_system.h"
#include "wizard/layout.h"
#include "wizard/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    Desktop desktop(instance);
    Win32System system;
    Win32Forms forms(desktop, WindowDesign());
    Wizard wizard(system, forms);
    if (!forms.Create(wizard)) return 1;
    system.SetOwner(forms.frame());  // the frame owns every message box
    return forms.Run(showCommand);
}
