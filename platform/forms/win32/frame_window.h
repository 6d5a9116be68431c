// MDIQOBSetup on Windows: the multiple-document frame, its client with the
// background picture, and the slideshow timer.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/forms/forms.h"

class Desktop;
class Picture;
struct Design;

class FrameWindow {
public:
    FrameWindow(const Desktop& desktop, const Design& design, FormEvents& events);
    ~FrameWindow();

    // Hidden, at its design size and place when that fits the work area;
    // otherwise it is to open maximised (ShowCommand), restored within the
    // work area.
    bool Create();
    // How to show the frame the first time, for the way the program was
    // started (WinMain's show command).
    int ShowCommand(int requested) const;
    // From the first display on, every change of size centres the pages.
    void Displayed();

    HWND hwnd() const { return hwnd_; }
    HWND client() const { return client_; }

    void SetBackground(std::unique_ptr<Picture> picture);
    bool SetTimerInterval(UINT ms);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool CreateClient();
    void PaintBackground(HDC dc);
    LRESULT RealizePalettes(UINT msg, WPARAM wParam, LPARAM lParam);
    bool QueryUnload(std::int16_t mode);

    const Desktop& desktop_;
    const Design& design_;
    FormEvents& events_;
    HWND hwnd_ = nullptr;
    HWND client_ = nullptr;
    WNDPROC clientProc_ = nullptr;
    std::unique_ptr<Picture> background_;
    bool displayed_ = false;
    bool maximised_ = false;  // the work area cannot hold the design
    bool userClose_ = false;
};
