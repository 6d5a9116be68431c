// frmini and frmIE on Windows: a page of the frame, with the standard
// controls of its design.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "platform/forms/forms.h"
#include "platform/forms/page_layout.h"

class Desktop;
class Picture;

class PageWindow {
public:
    PageWindow(const Desktop& desktop, const Design& design, FormEvents& events, FormId form);
    ~PageWindow();

    bool Create(HWND client);  // hidden, with every control of its design
    void Show(HWND client);    // shows it and makes it the active page

    HWND hwnd() const { return hwnd_; }
    HWND Control(CtlId control) const;

    bool SetPicture(CtlId control, std::unique_ptr<Picture> picture);
    void SetCaption(CtlId control, const std::string& text);
    void SetToolTip(CtlId control, const std::string& text);
    void SetVisible(CtlId control, bool visible);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void Fit();
    bool HoldsTabStops(const ControlDesign& container) const;
    void UpdateControlParent(CtlId container);
    void OnCommand(int id);
    void OnActivate();
    void OnClose();
    void FocusNext(WPARAM wParam, LPARAM lParam);
    LRESULT DefaultButton();
    void DrawImage(const DRAWITEMSTRUCT& item);

    const Desktop& desktop_;
    const Design& design_;
    FormEvents& events_;
    const FormId form_;
    HWND hwnd_ = nullptr;
    HWND toolTip_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::array<HWND, kCtlIdCount> controls_{};  // by control id
    std::unique_ptr<Picture> image_;  // Image1
    bool userClose_ = false;
    PageLayout layout_;  // last: the members before it are reached with short offsets
};
