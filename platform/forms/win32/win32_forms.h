// The windows on Windows: the frame, its pages made of standard controls,
// and the message loop that drives them.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/forms/forms.h"

class Desktop;
class FrameWindow;
class PageWindow;
struct Design;

class Win32Forms : public Forms {
public:
    Win32Forms(const Desktop& desktop, const Design& design);
    ~Win32Forms() override;

    // Creates the frame window, hidden; its events go to events.
    bool Create(FormEvents& events);
    HWND frame() const;
    // Runs the frame's load handling, shows it and runs the message loop
    // until it closes. Returns the program's exit code.
    int Run(int showCommand);

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
    PageWindow* Page(FormId form) const;
    HWND WindowOf(FormId form) const;
    bool MoveForm(FormId form, float twips, bool top);

    const Desktop& desktop_;
    const Design& design_;
    FormEvents* events_ = nullptr;
    std::unique_ptr<FrameWindow> frame_;
    std::unique_ptr<PageWindow> pages_[2];
};
