#include "wizard/MDIQOBSetup.h"

#include "probe/browser_probe.h"
#include "probe/registry.h"
#include "wizard/wizard.h"

void MDIQOBSetup::MDIForm_Load() {
    System& sys = w_.sys;
    std::string& kitPath = w_.ini.kitPath;
    kitPath = sys.AppPath();
    std::string current;
    if (sys.CurDir(current)) kitPath = current;
    if (kitPath.empty() || kitPath.back() != '\\') kitPath += '\\';

    imgAtual_ = 1;
    ReadSetupIni();
    w_.forms.LoadPicture(FormId::MDIQOBSetup, CtlId::None, PicturePath());
    StartSysInfo();
    w_.Show(FormId::frmini);
}

void MDIQOBSetup::MDIForm_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    if (UnloadMode != 0) return;
    if (w_.sys.MsgBox(kCloseQuestion, vbYesNoDefaultNo, std::string(kCloseTitle)) == vbNo) Cancel = 1;
}

void MDIQOBSetup::MDIForm_Resize() {
    w_.CentreTop(FormId::frmini);
    w_.CentreLeft(FormId::frmini);
    w_.CentreTop(FormId::frmIE);
    w_.CentreLeft(FormId::frmIE);
}

void MDIQOBSetup::StartSysInfo() {
    std::string build, version;
    GetKeyValue(kHkeyLocalMachine, kBrowserKey, "Build", build);
    GetKeyValue(kHkeyLocalMachine, kBrowserKey, "Version", version);
    IEVer = ClassifyBrowser(build.substr(0, 1), version.substr(0, 1));
    Lang = "PORT";
}

bool MDIQOBSetup::GetKeyValue(std::uint32_t KeyRoot, const std::string& keyname,
                              const std::string& SubKeyRef, std::string& KeyVal) {
    return ::GetKeyValue(w_.sys, KeyRoot, keyname, SubKeyRef, KeyVal);
}

void MDIQOBSetup::Timer1_Timer() {
    w_.forms.LoadPicture(FormId::MDIQOBSetup, CtlId::None, PicturePath());
    imgAtual_ += 1;
    if (imgAtual_ > settings_.nroImg) imgAtual_ = 1;
}

void MDIQOBSetup::ReadSetupIni() { report_ = ::ReadSetupIni(w_.sys, w_.forms, w_.ini, settings_); }

std::string MDIQOBSetup::PicturePath() const {
    return w_.ini.kitPath + "image" + std::to_string(imgAtual_) + "." + settings_.tipoImg;
}
