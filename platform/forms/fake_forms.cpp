#include "platform/forms/fake_forms.h"

FakeForms::FakeForms(const Design& design, std::vector<std::string>& log)
    : log(log), timerInterval(design.timerInterval), design_(design) {
    form(FormId::MDIQOBSetup).created = true;
}

void FakeForms::Select(FormId f, CtlId option) {
    const ControlDesign* chosen = design_.Of(f, option);
    for (const ControlDesign& c : design_)
        if (c.form == f && c.kind == Kind::Option && c.container == chosen->container)
            control(f, c.id).checked = c.id == option;
}

bool FakeForms::LoadPicture(FormId f, CtlId c, const std::string& path) {
    log.push_back("LoadPicture " + path);
    pictureLoads.push_back(path);
    if (!pictures.count(path)) return false;
    if (c == CtlId::None)
        form(f).picture = path;
    else
        control(f, c).picture = path;
    return true;
}

bool FakeForms::SetTimerInterval(long ms) {
    if (!TimerAccepts(ms)) return false;
    timerInterval = ms;
    return true;
}

void FakeForms::CreateForm(FormId f) {
    log.push_back(std::string("CreateForm ") + Name(f));
    Form& page = form(f);
    page.created = true;
    ++page.createCount;
    for (const ControlDesign& c : design_) {
        if (c.form != f) continue;
        Control& state = control(f, c.id);
        state = Control{};
        state.caption = c.caption;
        state.visible = !(c.flags & kHidden);
        state.checked = (c.flags & kSelected) != 0;
    }
}

void FakeForms::ShowForm(FormId f) {
    log.push_back(std::string("ShowForm ") + Name(f));
    form(f).visible = true;
    if (events) events->Activate(f);
}

void FakeForms::HideForm(FormId f) {
    log.push_back(std::string("HideForm ") + Name(f));
    form(f).visible = false;
}

bool FakeForms::OuterSize(FormId f, float& width, float& height) {
    if (f == FormId::MDIQOBSetup) {
        width = frameWidth, height = frameHeight;
    } else {
        width = pageWidth, height = pageHeight;
    }
    return true;
}

bool FakeForms::SetFormTop(FormId f, float twips) {
    log.push_back(std::string("SetFormTop ") + Name(f));
    int px;
    if (!TwipsToPixels(twips, 96, px)) return false;
    form(f).top = twips;
    return true;
}

bool FakeForms::SetFormLeft(FormId f, float twips) {
    log.push_back(std::string("SetFormLeft ") + Name(f));
    int px;
    if (!TwipsToPixels(twips, 96, px)) return false;
    form(f).left = twips;
    return true;
}

void FakeForms::SetCaption(FormId f, CtlId c, const std::string& text) { control(f, c).caption = text; }

void FakeForms::SetToolTip(FormId f, CtlId c, const std::string& text) {
    control(f, c).toolTip = text;
    control(f, c).toolTipSet = true;
}

void FakeForms::SetVisible(FormId f, CtlId c, bool visible) {
    log.push_back(std::string("SetVisible ") + design_.Of(f, c)->name);
    control(f, c).visible = visible;
}

bool FakeForms::IsChecked(FormId f, CtlId c) { return control(f, c).checked; }
