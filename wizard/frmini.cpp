#include "wizard/frmini.h"

#include "wizard/wizard.h"

void frmini::cmdCancel_Click() { w_.ConfirmCancel(); }

void frmini::cmdNext_Click() {
    System& sys = w_.sys;
    if (w_.forms.IsChecked(FormId::frmini, CtlId::OptIE)) {
        w_.Hide(FormId::frmini);
        w_.Show(FormId::frmIE);
    } else if (w_.forms.IsChecked(FormId::frmini, CtlId::optDiscador)) {
        // A start that fails is not reported: the user may choose again.
        sys.Shell(w_.ini.arqDiscador, vbMaximizedFocus);
    }
}

void frmini::Form_Activate() {
    w_.CentreTop(FormId::frmini);
    w_.CentreLeft(FormId::frmini);
}

void frmini::Form_Load() {
    w_.forms.LoadPicture(FormId::frmini, CtlId::Image1, w_.ini.kitPath + "imgini." + w_.frame.tipoImgTela());
}

void frmini::Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    w_.ConfirmClose(Cancel, UnloadMode);
}
