// A wizard on the test doubles, with the windows' events wired to it.
#pragma once

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "tests/unit/fakes.h"
#include "wizard/wizard.h"

struct WizardTest : ::testing::Test {
    Fakes fakes;
    FakeSystem& sys = fakes.sys;
    FakeForms& forms = fakes.forms;
    Wizard w{sys, forms};

    WizardTest() {
        forms.events = &w;
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
