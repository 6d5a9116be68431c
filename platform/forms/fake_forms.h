// The test double of the windows: forms and controls in their design state,
// pictures that load, and a record of everything asked of them.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/design.h"
#include "platform/forms/forms.h"

class FakeForms : public Forms {
public:
    // Every call worth ordering is logged, in a log it may share with the system.
    FakeForms(const Design& design, std::vector<std::string>& log);

    // --- what the tests set up ---
    std::set<std::string> pictures;  // files that load as pictures
    float frameWidth = 9375, frameHeight = 8985;  // outer sizes in twips
    float pageWidth = 6675, pageHeight = 4935;
    FormEvents* events = nullptr;  // told when a page becomes the active page

    // Selects an option as a click would: clears the others of its group.
    void Select(FormId form, CtlId option);

    // --- what the tests read back ---
    struct Control {
        std::string caption, toolTip, picture;
        bool visible = true, checked = false;
        bool toolTipSet = false;
    };
    struct Form {
        bool created = false, visible = false;
        int createCount = 0;
        std::optional<float> top, left;
        std::string picture;  // the frame's background
    };

    std::vector<std::string>& log;      // every call, in order
    std::vector<std::string> pictureLoads;  // every path asked for
    long timerInterval;

    Form& form(FormId id) { return forms_[static_cast<int>(id)]; }
    Control& control(FormId form, CtlId id) { return controls_[{form, id}]; }
    const char* Name(FormId form) const { return design_.Of(form).name; }

    // --- Forms ---
    bool LoadPicture(FormId form, CtlId control, const std::string& path) override;
    bool SetTimerInterval(long ms) override;
    void CreateForm(FormId form) override;
    void ShowForm(FormId form) override;
    void HideForm(FormId form) override;
    bool OuterSize(FormId form, float& width, float& height) override;
    bool SetFormTop(FormId form, float twips) override;
    bool SetFormLeft(FormId form, float twips) override;
    void SetCaption(FormId form, CtlId control, const std::string& text) override;
    void SetToolTip(FormId form, CtlId control, const std::string& text) override;
    void SetVisible(FormId form, CtlId control, bool visible) override;
    bool IsChecked(FormId form, CtlId control) override;

private:
    const Design& design_;
    Form forms_[3];
    std::map<std::pair<FormId, CtlId>, Control> controls_;
};
