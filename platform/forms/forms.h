// The launcher's windows: a frame and its pages made from their design,
// their controls, pictures, tool tips and the slideshow timer; and what the
// windows report back (FormEvents). Win32Forms is the real one, FakeForms
// the test double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The three windows of the launcher.
enum class FormId { MDIQOBSetup, frmini, frmIE };

// Controls, by their design names; a name is unique within its window.
// None addresses the window itself (the frame's background picture).
enum class CtlId {
    None,
    Image1, Label1, IEFrame, OptIE, optDiscador, Frame1, cmdNext, cmdCancel,
    Picture2, Frame2, Label2, lblSistema, Label3, lblLinguagem, lblResultado,
    OpIE3, OpIE4, OpIE5, cmdBack,
};
constexpr std::size_t kCtlIdCount = static_cast<std::size_t>(CtlId::cmdBack) + 1;  // cmdBack stays the last

// The slideshow timer takes 0 (stopped) to 65535 ms, like the classic timer
// control the kits were written for; other values are rejected.
constexpr long kTimerMaxInterval = 65535;
inline bool TimerAccepts(long ms) { return ms >= 0 && ms <= kTimerMaxInterval; }

// Reasons for a close, as the close handlers know them.
constexpr std::int16_t kCloseByUser = 0;
constexpr std::int16_t kCloseByProgram = 1;
constexpr std::int16_t kCloseByWindows = 2;
constexpr std::int16_t kCloseByTaskList = 3;

// What the windows report, each event as it happens.
class FormEvents {
public:
    virtual void Load(FormId form) = 0;      // the frame, before it is first shown
    virtual void Resize(FormId form) = 0;    // the frame, from its first display on
    virtual void Activate(FormId form) = 0;  // a page became the active page
    virtual void Click(FormId form, CtlId control) = 0;
    virtual void Timer(FormId form) = 0;     // the frame's slideshow timer
    // A close is asked for; setting cancel keeps the window.
    virtual void QueryUnload(FormId form, std::int16_t& cancel, std::int16_t mode) = 0;
    virtual void Unloaded(FormId form) = 0;  // a page window is gone

protected:
    ~FormEvents() = default;
};

class Forms {
public:
    virtual ~Forms() = default;

    // Loads a picture file into an image control, or with CtlId::None as the
    // frame's background. A file that is missing or not a picture is a
    // failure (false) and the target keeps its picture.
    virtual bool LoadPicture(FormId form, CtlId control, const std::string& path) = 0;

    // Slideshow timer interval in ms; false when the timer rejects the value.
    virtual bool SetTimerInterval(long ms) = 0;

    // CreateForm makes a page window with the controls of its design,
    // hidden. ShowForm shows it non-modal and makes it the active page.
    virtual void CreateForm(FormId form) = 0;
    virtual void ShowForm(FormId form) = 0;
    virtual void HideForm(FormId form) = 0;
    // Outer size (borders and title bar included) in twips.
    virtual bool OuterSize(FormId form, float& width, float& height) = 0;
    // Position of a page within the frame's client area, in twips.
    virtual bool SetFormTop(FormId form, float twips) = 0;
    virtual bool SetFormLeft(FormId form, float twips) = 0;

    // Controls.
    virtual void SetCaption(FormId form, CtlId control, const std::string& text) = 0;
    virtual void SetToolTip(FormId form, CtlId control, const std::string& text) = 0;
    virtual void SetVisible(FormId form, CtlId control, bool visible) = 0;
    virtual bool IsChecked(FormId form, CtlId control) = 0;
};
