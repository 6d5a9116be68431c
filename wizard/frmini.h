// The start page: the dialer or the browser.
#pragma once

#include <cstdint>

class Wizard;

class frmini {
public:
    explicit frmini(Wizard& w) : w_(w) {}

    void cmdCancel_Click();
    void cmdNext_Click();
    void Form_Activate();
    void Form_Load();
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);

private:
    Wizard& w_;
};
