// The browser page: what the machine has, what may be installed, and the
// start of the chosen installer.
#pragma once

#include <cstdint>

class Wizard;

class frmIE {
public:
    explicit frmIE(Wizard& w) : w_(w) {}

    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdNext_Click();
    void Form_Activate();
    void Form_Load();
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);

private:
    Wizard& w_;
};
