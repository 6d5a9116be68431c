#include "wizard/wizard.h"

const char* const kCancelQuestion = "Você realmente deseja cancelar a instalação?";
const char* const kCancelTitle = "QOBSetup";
const char* const kCloseQuestion = "Você realmente deseja encerrar a instalação?";
const char* const kCloseTitle = "QOBSetup - Cancelamento da instalação";

Wizard::Wizard(Platform& s) : sys(s), frame(*this), startPage(*this), browserPage(*this) {}

bool Wizard::IsLoaded(FormId page) const { return loaded_[static_cast<int>(page)]; }

void Wizard::Load(FormId page) {
    if (IsLoaded(page)) return;
    loaded_[static_cast<int>(page)] = true;
    sys.CreateForm(page);
    if (page == FormId::frmini) startPage.Form_Load();
    if (page == FormId::frmIE) browserPage.Form_Load();
}

void Wizard::Show(FormId page) {
    Load(page);
    sys.ShowForm(page);
}

void Wizard::Hide(FormId page) {
    Load(page);
    sys.HideForm(page);
}

void Wizard::Unloaded(FormId page) {
    if (page != FormId::MDIQOBSetup) loaded_[static_cast<int>(page)] = false;
}

void Wizard::Activated(FormId page) {
    if (page == FormId::frmini) startPage.Form_Activate();
    if (page == FormId::frmIE) browserPage.Form_Activate();
}

void Wizard::CentreTop(FormId page) {
    Load(page);
    float frameWidth, frameHeight, width, height;
    if (sys.OuterSize(FormId::MDIQOBSetup, frameWidth, frameHeight) && sys.OuterSize(page, width, height))
        sys.SetFormTop(page, (frameHeight - height) / 2.0f);
}

void Wizard::CentreLeft(FormId page) {
    Load(page);
    float frameWidth, frameHeight, width, height;
    if (sys.OuterSize(FormId::MDIQOBSetup, frameWidth, frameHeight) && sys.OuterSize(page, width, height))
        sys.SetFormLeft(page, (frameWidth - width) / 2.0f);
}

void Wizard::ConfirmCancel() {
    // A question that cannot be shown counts as Yes.
    if (sys.MsgBox(kCancelQuestion, vbYesNoDefaultNo, std::string(kCancelTitle)) != vbNo) sys.End();
}

void Wizard::ConfirmClose(std::int16_t& Cancel, std::int16_t UnloadMode) {
    if (UnloadMode != 0) return;
    // A question that cannot be shown refuses the close.
    if (sys.MsgBox(kCloseQuestion, vbYesNoDefaultNo, std::string(kCloseTitle)) == vbYes)
        sys.End();
    else
        Cancel = 1;
}
