#include "wizard/frmIE.h"

#include "wizard/browser_setup.h"
#include "wizard/wizard.h"

void frmIE::cmdBack_Click() {
    w_.Hide(FormId::frmIE);
    w_.Show(FormId::frmini);
}

void frmIE::cmdCancel_Click() { w_.ConfirmCancel(); }

void frmIE::cmdNext_Click() {
    System& sys = w_.sys;
    Forms& forms = w_.forms;
    bool opIE3 = forms.IsChecked(FormId::frmIE, CtlId::OpIE3);
    w_.frame.IEVer = ChosenVersion(opIE3, !opIE3 && forms.IsChecked(FormId::frmIE, CtlId::OpIE4));
    w_.Hide(FormId::frmIE);
    if (const std::string* command = InstallerFor(w_.frame.Lang, w_.frame.IEVer, w_.ini)) {
        const std::string failure = MissingFileText(*command);
        if (!sys.Shell(*command, vbMaximizedFocus))
            sys.MsgBox(failure, vbOKOnly, std::string(kMissingFileTitle), sys.LastFailure());
    }
    sys.End();
}

void frmIE::Form_Activate() {
    w_.CentreTop(FormId::frmIE);
    w_.CentreLeft(FormId::frmIE);
}

void frmIE::Form_Load() {
    System& sys = w_.sys;
    Forms& forms = w_.forms;
    forms.LoadPicture(FormId::frmIE, CtlId::Image1, w_.ini.kitPath + "imgie." + w_.frame.tipoImgTela());

    OsVersionInfo info;
    info.dwOSVersionInfoSize = kOsVersionInfoSize;
    if (!sys.GetVersionEx(info)) {
        info = OsVersionInfo{};  // a failed query leaves the record as prepared
        info.dwOSVersionInfoSize = kOsVersionInfoSize;
    }
    WindowsDescription system = DescribeWindows(info);
    if (system.family == WindowsFamily::Win95) forms.SetToolTip(FormId::frmIE, CtlId::Label1, system.toolTip);
    if (system.family != WindowsFamily::Unknown) forms.SetCaption(FormId::frmIE, CtlId::lblSistema, system.caption);

    Offer offer = OfferFor(w_.frame.Lang, w_.frame.IEVer, w_.ini);
    if (!offer.known) {
        sys.MsgBox(kLangUnknownText, vbOKOnly);
        return;
    }
    if (offer.OpIE3) forms.SetVisible(FormId::frmIE, CtlId::OpIE3, true);
    if (offer.OpIE4) forms.SetVisible(FormId::frmIE, CtlId::OpIE4, true);
    if (offer.OpIE5) forms.SetVisible(FormId::frmIE, CtlId::OpIE5, true);
    forms.SetCaption(FormId::frmIE, CtlId::lblResultado, offer.plan);
    forms.SetCaption(FormId::frmIE, CtlId::lblLinguagem, offer.language);
}

void frmIE::Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    w_.ConfirmClose(Cancel, UnloadMode);
}
