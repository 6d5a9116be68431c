// A wizard on the test double, with the platform's activation event wired.
#pragma once

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/fake_platform.h"
#include "wizard/wizard.h"

struct WizardTest : ::testing::Test {
    FakePlatform sys;
    Wizard w{sys};

    WizardTest() {
        sys.onActivate = [this](FormId page) { w.Activated(page); };
        sys.iniFile = "C:\\KIT\\setup.ini";
    }

    // The start-up sequence and the frame's first display.
    void Start() {
        w.frame.MDIForm_Load();
        w.frame.MDIForm_Resize();
    }

    // Position of a call in the log; the log's size when it is not there.
    std::size_t At(const std::string& entry) const {
        return std::find(sys.log.begin(), sys.log.end(), entry) - sys.log.begin();
    }
    bool Logged(const std::string& entry) const { return At(entry) < sys.log.size(); }
};
