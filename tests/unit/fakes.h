// Both test doubles over one log, so that a test sees the order of every
// call the launcher makes, to the system and to its windows alike.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/fake_forms.h"
#include "platform/system/fake_system.h"
#include "wizard/layout.h"

struct Fakes {
    std::vector<std::string> log;
    FakeSystem sys{log};
    FakeForms forms{WindowDesign(), log};
};
