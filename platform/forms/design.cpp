#include "platform/forms/design.h"

#include <algorithm>
#include <limits>

const FormDesign& Design::Of(FormId form) const {
    return *std::find_if(forms, forms + formCount, [&](const FormDesign& f) { return f.form == form; });
}

const ControlDesign* Design::Of(FormId form, CtlId control) const {
    for (const ControlDesign& c : *this)
        if (c.form == form && c.id == control) return &c;
    return nullptr;
}

namespace {

// The lowest tab index in a control and everything it holds: a container
// takes its place in the tab order where its first tab stop is.
int FirstTab(const Design& design, const ControlDesign& control) {
    int first = control.tabIndex == kNoTab ? std::numeric_limits<int>::max() : control.tabIndex;
    for (const ControlDesign& c : design)
        if (c.form == control.form && c.container == control.id) first = std::min(first, FirstTab(design, c));
    return first;
}

void AddContainedIn(const Design& design, FormId form, CtlId container, std::vector<const ControlDesign*>& out) {
    // Insertion by first tab stop; equal ones keep their table order.
    std::vector<const ControlDesign*> here;
    for (const ControlDesign& c : design) {
        if (c.form != form || c.container != container) continue;
        auto place = here.end();
        while (place != here.begin() && FirstTab(design, **(place - 1)) > FirstTab(design, c)) --place;
        here.insert(place, &c);
    }
    for (const ControlDesign* c : here) {
        out.push_back(c);
        AddContainedIn(design, form, c->id, out);
    }
}

}  // namespace

std::vector<const ControlDesign*> Design::CreationOrder(FormId form) const {
    std::vector<const ControlDesign*> order;
    AddContainedIn(*this, form, CtlId::None, order);
    return order;
}
