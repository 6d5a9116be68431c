// The platform on Windows: the system functions, and the launcher's windows
// made of standard controls. <windows.h> renames several of the interface's
// members to their ANSI names (RegOpenKeyEx to RegOpenKeyExA...); the system
// functions themselves are therefore always called as ::Name.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/platform.h"

class Wizard;
class FrameWindow;
class PageWindow;

// Loads a DLL of Windows from the system folder, never by its bare name: a
// bare name is searched in the program's folder and the current directory
// first, where anyone may have put a DLL of that name.
HMODULE LoadSystemLibrary(const char* name);

class Win32Platform : public Platform {
public:
    explicit Win32Platform(HINSTANCE instance);
    ~Win32Platform() override;

    // Creates the frame window, runs its load handling, shows it and runs the
    // message loop until it closes. Returns the program's exit code.
    int Run(Wizard& wizard, int showCommand);

    // What the windows share.
    HINSTANCE instance() const { return instance_; }
    HFONT font() const { return font_; }
    HICON icon() const { return icon_; }
    int dpiX() const { return dpiX_; }
    int dpiY() const { return dpiY_; }
    int ToPixelsX(int twips) const;
    int ToPixelsY(int twips) const;

    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer, std::uint32_t size,
                                          const std::string& file) override;
    long RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override;
    long RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                         std::uint32_t& size) override;
    void RegCloseKey(RegKey key) override;
    bool GetVersionEx(OsVersionInfo& info) override;
    bool LoadPicture(FormId form, CtlId control, const std::string& path) override;
    int MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
               const HelpRef& help) override;
    bool Shell(const std::string& command, int windowStyle) override;
    HelpRef LastFailure() override;
    void Beep() override;
    bool CurDir(std::string& path) override;
    std::string AppPath() override;
    void End() override;
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

    HINSTANCE instance_;
    HFONT font_;
    HICON icon_;
    int dpiX_ = 96, dpiY_ = 96;
    Wizard* wizard_ = nullptr;
    std::unique_ptr<FrameWindow> frame_;
    std::unique_ptr<PageWindow> pages_[2];
};
