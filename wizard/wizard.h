// The launcher's three windows and the state they share. Pages are created
// the first time anything reaches them, and their Form_Load runs then.
#pragma once

#include <cstdint>

#include "app/ini.h"
#include "platform/platform.h"
#include "wizard/MDIQOBSetup.h"
#include "wizard/frmIE.h"
#include "wizard/frmini.h"

extern const char* const kCancelQuestion;
extern const char* const kCancelTitle;
extern const char* const kCloseQuestion;
extern const char* const kCloseTitle;

class Wizard {
public:
    explicit Wizard(Platform& sys);
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    Platform& sys;
    Ini ini;
    MDIQOBSetup frame;
    frmini startPage;
    frmIE browserPage;

    void Load(FormId page);
    bool IsLoaded(FormId page) const;
    void Show(FormId page);
    void Hide(FormId page);
    // A page window closed by something other than the program's end.
    void Unloaded(FormId page);
    // The platform reports that a page became the active page.
    void Activated(FormId page);

    // The page centring: (outer size of the frame - outer size of the page) / 2,
    // top first, each assignment on its own.
    void CentreTop(FormId page);
    void CentreLeft(FormId page);

    // The questions both pages ask.
    void ConfirmCancel();
    void ConfirmClose(std::int16_t& Cancel, std::int16_t UnloadMode);

private:
    bool loaded_[3] = {true, false, false};  // the frame exists from the start
};
