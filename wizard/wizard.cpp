#include "wizard/wizard.h"

const char* const kCancelQuestion = "Você realmente deseja cancelar a instalação?";
const char* const kCancelTitle = "QOBSetup";
const char* const kCloseQuestion = "Você realmente deseja encerrar a instalação?";
const char* const kCloseTitle = "QOBSetup - Cancelamento da instalação";

Wizard::Wizard(System& s, Forms& f) : sys(s), forms(f), frame(*this), startPage(*this), browserPage(*this) {}

bool Wizard::IsLoaded(FormId page) const { return loaded_[static_cast<int>(page)]; }

void Wizard::LoadPage(FormId page) {
    if (IsLoaded(page)) return;
    loaded_[static_cast<int>(page)] = true;
    forms.CreateForm(page);
    if (page == FormId::frmini) startPage.Form_Load();
    if (page == FormId::frmIE) browserPage.Form_Load();
}

void Wizard::Show(FormId page) {
    LoadPage(page);
    forms.ShowForm(page);
}

void Wizard::Hide(FormId page) {
    LoadPage(page);
    forms.HideForm(page);
}

void Wizard::Load(FormId form) {
    if (form == FormId::MDIQOBSetup) frame.MDIForm_Load();
}

void Wizard::Resize(FormId form) {
    if (form == FormId::MDIQOBSetup) frame.MDIForm_Resize();
}

void Wizard::Activate(FormId form) {
    if (form == FormId::frmini) startPage.Form_Activate();
    if (form == FormId::frmIE) browserPage.Form_Activate();
}

void Wizard::Click(FormId form, CtlId control) {
    if (form == FormId::frmini && control == CtlId::cmdNext) startPage.cmdNext_Click();
    if (form == FormId::frmini && control == CtlId::cmdCancel) startPage.cmdCancel_Click();
    if (form == FormId::frmIE && control == CtlId::cmdNext) browserPage.cmdNext_Click();
    if (form == FormId::frmIE && control == CtlId::cmdCancel) browserPage.cmdCancel_Click();
    if (form == FormId::frmIE && control == CtlId::cmdBack) browserPage.cmdBack_Click();
}

void Wizard::Timer(FormId form) {
    if (form == FormId::MDIQOBSetup) frame.Timer1_Timer();
}

void Wizard::QueryUnload(FormId form, std::int16_t& cancel, std::int16_t mode) {
    if (form == FormId::MDIQOBSetup) frame.MDIForm_QueryUnload(cancel, mode);
    if (form == FormId::frmini) startPage.Form_QueryUnload(cancel, mode);
    if (form == FormId::frmIE) browserPage.Form_QueryUnload(cancel, mode);
}

void Wizard::Unloaded(FormId form) {
    if (form != FormId::MDIQOBSetup) loaded_[static_cast<int>(form)] = false;
}

void Wizard::CentreTop(FormId page) {
    LoadPage(page);
    float frameWidth, frameHeight, width, height;
    if (forms.OuterSize(FormId::MDIQOBSetup, frameWidth, frameHeight) && forms.OuterSize(page, width, height))
        forms.SetFormTop(page, (frameHeight - height) / 2.0f);
}

void Wizard::CentreLeft(FormId page) {
    LoadPage(page);
    float frameWidth, frameHeight, width, height;
    if (forms.OuterSize(FormId::MDIQOBSetup, frameWidth, frameHeight) && forms.OuterSize(page, width, height))
        forms.SetFormLeft(page, (frameWidth - width) / 2.0f);
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
