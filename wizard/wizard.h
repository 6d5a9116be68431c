// The launcher's three windows and the state they share. Pages are created
// the first time anything reaches them, and their Form_Load runs then.
#pragma once

#include <cstdint>

#include "app/ini.h"
#include "platform/forms/forms.h"
#include "platform/system/system.h"
#include "wizard/MDIQOBSetup.h"
#include "wizard/frmIE.h"
#include "wizard/frmini.h"

extern const char* const kCancelQuestion;
extern const char* const kCancelTitle;
extern const char* const kCloseQuestion;
extern const char* const kCloseTitle;

// The windows' events go to the handler of that window and event.
class Wizard : public FormEvents {
public:
    Wizard(System& sys, Forms& forms);
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    System& sys;
    Forms& forms;
    Ini ini;
    MDIQOBSetup frame;
    frmini startPage;
    frmIE browserPage;

    // Creates a page the first time anything reaches it.
    void LoadPage(FormId page);
    bool IsLoaded(FormId page) const;
    void Show(FormId page);
    void Hide(FormId page);

    void Load(FormId form) override;
    void Resize(FormId form) override;
    void Activate(FormId form) override;
    void Click(FormId form, CtlId control) override;
    void Timer(FormId form) override;
    void QueryUnload(FormId form, std::int16_t& cancel, std::int16_t mode) override;
    // A page window closed by something other than the program's end.
    void Unloaded(FormId form) override;

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
