// The frame window: start-up, background slideshow, page centring and the
// close question.
#pragma once

#include <cstdint>
#include <string>

#include "app/setup_ini.h"

class Wizard;

class MDIQOBSetup {
public:
    explicit MDIQOBSetup(Wizard& w) : w_(w) {}

    void MDIForm_Load();
    void MDIForm_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
    void MDIForm_Resize();
    void StartSysInfo();
    bool GetKeyValue(std::uint32_t KeyRoot, const std::string& keyname, const std::string& SubKeyRef,
                     std::string& KeyVal);
    void Timer1_Timer();
    void ReadSetupIni();

    std::string Lang;
    std::int16_t IEVer = 0;
    const std::string& tipoImgTela() const { return settings_.tipoImgTela; }
    const std::string& tipoImg() const { return settings_.tipoImg; }

    std::int16_t imgAtual() const { return imgAtual_; }
    std::int16_t nroImg() const { return settings_.nroImg; }
    const SetupIniReport& setupIniReport() const { return report_; }

private:
    std::string PicturePath() const;

    Wizard& w_;
    std::int16_t imgAtual_ = 0;
    SlideshowSettings settings_;  // nroImg, tipoImg, tipoImgTela
    SetupIniReport report_{};
};
