// The design of the three windows: one table of controls, walked by the
// windows to create them and by the test double to start them in their
// design state.
#pragma once

#include <array>
#include <vector>

#include "platform/forms/design.h"

constexpr long kTimer1DesignInterval = 500;

extern const std::array<FormDesign, 3> kForms;
extern const std::array<ControlDesign, 25> kControls;

const Design& WindowDesign();

const FormDesign& DesignOf(FormId form);
const ControlDesign* DesignOf(FormId form, CtlId control);
std::vector<const ControlDesign*> CreationOrder(FormId form);
