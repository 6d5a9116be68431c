#include "platform/win32/win32_platform.h"

#include <cstring>

#include "platform/win32/picture.h"
#include "resources/version.h"
#include "wizard/layout.h"
#include "wizard/win32/frame_window.h"
#include "wizard/win32/page_window.h"
#include "wizard/wizard.h"

namespace {

const char* const kApplicationTitle = "Setup32";

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= sizeof path) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}

Win32Platform::Win32Platform(HINSTANCE instance)
    : instance_(instance),
      font_(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(SETUP32_ICON))) {
    if (HDC screen = GetDC(nullptr)) {
        dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
}

Win32Platform::~Win32Platform() = default;

int Win32Platform::ToPixelsX(int twips) const {
    int px = 0;
    TwipsToPixels(static_cast<float>(twips), dpiX_, px);
    return px;
}

int Win32Platform::ToPixelsY(int twips) const {
    int px = 0;
    TwipsToPixels(static_cast<float>(twips), dpiY_, px);
    return px;
}

int Win32Platform::Run(Wizard& wizard, int showCommand) {
    wizard_ = &wizard;
    frame_ = std::make_unique<FrameWindow>(*this, wizard);
    if (!frame_->Create()) return 1;
    wizard.frame.MDIForm_Load();
    ShowWindow(frame_->hwnd(), showCommand);
    UpdateWindow(frame_->hwnd());
    frame_->Displayed();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        HWND client = frame_->client();
        if (client && TranslateMDISysAccel(client, &msg)) continue;
        HWND page = client ? reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
        if (page && IsWindowVisible(page) && IsDialogMessageA(page, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// ---- system functions

std::uint32_t Win32Platform::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                     const std::string& def, char* buffer, std::uint32_t size,
                                                     const std::string& file) {
    return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, size, file.c_str());
}

long Win32Platform::RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                                 RegKey& key) {
    HKEY opened = nullptr;
    LONG result = ::RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), subKey.c_str(), 0, access,
                                &opened);
    key = reinterpret_cast<RegKey>(opened);
    return result;
}

long Win32Platform::RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
                                    std::uint8_t* data, std::uint32_t& size) {
    DWORD t = 0, s = size;
    LONG result = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &t, data, &s);
    type = t;
    size = s;
    return result;
}

void Win32Platform::RegCloseKey(RegKey key) { ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

bool Win32Platform::GetVersionEx(OsVersionInfo& info) {
    OSVERSIONINFOA v;
    std::memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = info.dwOSVersionInfoSize;
    if (!::GetVersionExA(&v)) return false;
    info.dwMajorVersion = v.dwMajorVersion;
    info.dwMinorVersion = v.dwMinorVersion;
    info.dwBuildNumber = v.dwBuildNumber;
    info.dwPlatformId = v.dwPlatformId;
    std::memcpy(info.szCSDVersion, v.szCSDVersion, sizeof info.szCSDVersion);
    return true;
}

int Win32Platform::MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
                          const HelpRef&) {
    // The launcher ships no help file, so no box offers help.
    HWND owner = frame_ ? frame_->hwnd() : nullptr;
    return MessageBoxA(owner, text.c_str(), title ? title->c_str() : kApplicationTitle,
                       static_cast<UINT>(buttons));
}

bool Win32Platform::Shell(const std::string& command, int windowStyle) {
    if (command.empty()) return false;
    std::string line = command;  // CreateProcessA may write into the command line
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

HelpRef Win32Platform::LastFailure() { return HelpRef{}; }

void Win32Platform::Beep() { MessageBeep(0); }

bool Win32Platform::CurDir(std::string& path) {
    char buffer[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    path.assign(buffer, length);
    return true;
}

std::string Win32Platform::AppPath() {
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return "";
    std::string path(buffer, length);
    std::size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return "";
    path.erase(slash);
    if (path.size() == 2 && path[1] == ':') path += '\\';  // a drive's root keeps its backslash
    return path;
}

void Win32Platform::End() { ExitProcess(0); }

bool Win32Platform::SetTimerInterval(long ms) {
    return TimerAccepts(ms) && frame_ && frame_->SetTimerInterval(static_cast<UINT>(ms));
}

// ---- windows

PageWindow* Win32Platform::Page(FormId form) const {
    if (form == FormId::MDIQOBSetup) return nullptr;
    PageWindow* page = pages_[form == FormId::frmini ? 0 : 1].get();
    return page && page->hwnd() ? page : nullptr;
}

HWND Win32Platform::WindowOf(FormId form) const {
    if (form == FormId::MDIQOBSetup) return frame_ ? frame_->hwnd() : nullptr;
    PageWindow* page = Page(form);
    return page ? page->hwnd() : nullptr;
}

bool Win32Platform::LoadPicture(FormId form, CtlId control, const std::string& path) {
    std::unique_ptr<Picture> picture = Picture::Load(path);
    if (!picture) return false;
    if (form == FormId::MDIQOBSetup && frame_) {
        frame_->SetBackground(std::move(picture));
        return true;
    }
    PageWindow* page = Page(form);
    return page && page->SetPicture(control, std::move(picture));
}

void Win32Platform::CreateForm(FormId form) {
    if (form == FormId::MDIQOBSetup || !frame_) return;
    auto& slot = pages_[form == FormId::frmini ? 0 : 1];
    slot = std::make_unique<PageWindow>(*this, *wizard_, form);
    slot->Create(frame_->client());
}

void Win32Platform::ShowForm(FormId form) {
    if (PageWindow* page = Page(form)) page->Show(frame_->client());
}

void Win32Platform::HideForm(FormId form) {
    if (HWND hwnd = WindowOf(form)) ShowWindow(hwnd, SW_HIDE);
}

bool Win32Platform::OuterSize(FormId form, float& width, float& height) {
    HWND hwnd = WindowOf(form);
    RECT r;
    if (!hwnd || !GetWindowRect(hwnd, &r)) return false;
    width = PixelsToTwips(r.right - r.left, dpiX_);
    height = PixelsToTwips(r.bottom - r.top, dpiY_);
    return true;
}

bool Win32Platform::MoveForm(FormId form, float twips, bool top) {
    HWND hwnd = WindowOf(form);
    int px = 0;
    if (form == FormId::MDIQOBSetup || !hwnd || !TwipsToPixels(twips, top ? dpiY_ : dpiX_, px)) return false;
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return SetWindowPos(hwnd, nullptr, top ? r.left : px, top ? px : r.top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool Win32Platform::SetFormTop(FormId form, float twips) { return MoveForm(form, twips, true); }
bool Win32Platform::SetFormLeft(FormId form, float twips) { return MoveForm(form, twips, false); }

void Win32Platform::SetCaption(FormId form, CtlId control, const std::string& text) {
    if (PageWindow* page = Page(form)) page->SetCaption(control, text);
}

void Win32Platform::SetToolTip(FormId form, CtlId control, const std::string& text) {
    if (PageWindow* page = Page(form)) page->SetToolTip(control, text);
}

void Win32Platform::SetVisible(FormId form, CtlId control, bool visible) {
    if (PageWindow* page = Page(form)) page->SetVisible(control, visible);
}

bool Win32Platform::IsChecked(FormId form, CtlId control) {
    PageWindow* page = Page(form);
    HWND hwnd = page ? page->Control(control) : nullptr;
    return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
