// preview.exe: the pages of the launcher as Windows draws them, for
// scripts/preview.sh.
//
//   preview.exe SETUP32_EXE KIT SLIDESHOW_KIT OUTDIR
//
// KIT and SLIDESHOW_KIT are two copies of a kit's folder, never the kit
// itself. The real Setup32.exe is started in KIT once for each Windows
// version (Wine's version of the program) and each installed browser (the
// registry values the browser probe reads); Next on the start page leads to
// the browser page, which is captured with its texts and options, and the
// launcher is ended. Nothing on the browser page is ever pressed, so no
// installer starts. In SLIDESHOW_KIT the slideshow timer is stopped (tempo=0
// in its setup.ini) and the frame is sent one timer tick at a time: the frame
// and the start page are captured once, then each background picture.
//
// With --screen NAME, only the frame and its start page on the screen it
// runs on: OUTDIR\screen-NAME.bmp and screen-NAME.json (scripts/preview.sh
// runs it on a 640 x 480 display and on an 800 x 600 one at 120 dpi).
//
// With --later NAME, the start page and the browser page of the later PCs
// (Windows XP, 7 and 10, each browser) on the screen it runs on:
// OUTDIR\later-NAME-*.bmp and later-NAME.json (scripts/preview.sh runs it
// on a 1280 x 1024 display at 144 dpi).
//
// Writes OUTDIR\capture.json and the captures as bitmaps; a line per
// launcher goes to the standard output. Exit status 0 when every capture was
// made, 1 otherwise, 2 on a usage error.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "kitcheck/encoding.h"
#include "kitcheck/file_platform.h"
#include "wizard/layout.h"
#include "wizard/wizard.h"

namespace {

const char* const kBrowserKey = "Software\\Microsoft\\Internet Explorer";
const char* const kAppDefaults = "Software\\Wine\\AppDefaults\\Setup32.exe";
const int kMaxSlides = 24;       // background pictures captured at most
const int kStartTimeout = 20000;  // ms for a launcher's frame to show
const int kStepTimeout = 5000;    // ms for a page to show

struct WindowsVersion {
    const char* id;  // Wine's name of the version
    const char* name;
    bool later;      // a later PC's, shown again at more dots per inch (--later)
};
const WindowsVersion kWindows[] = {
    {"win95", "Windows 95", false}, {"win98", "Windows 98", false}, {"winme", "Windows Me", false},
    {"nt40", "Windows NT 4.0", false}, {"win2k", "Windows 2000", false}, {"winxp", "Windows XP", true},
    {"win7", "Windows 7", true}, {"win10", "Windows 10", true},
};

// The installed browser as the probe reads it: the first characters of
// Build and Version make it 3, 4 or 5; without them it is "not found".
struct Browser {
    const char* id;
    const char* build;
    const char* version;
};
const Browser kBrowsers[] = {
    {"none", nullptr, nullptr},
    {"3", "3.02.1", "3.02"},
    {"4", "4.72.3110.8", "4.72.3110.0"},
    {"5", "52614", "5.00.2614.3500"},
};

const CtlId kOptions[] = {CtlId::OpIE3, CtlId::OpIE4, CtlId::OpIE5};

// ---- registry of the prefix

void SetValues(HKEY root, const char* path, const std::vector<std::pair<const char*, const char*>>& values) {
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    for (const auto& [name, value] : values) {
        if (value)
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(strlen(value) + 1));
        else
            RegDeleteValueA(key, name);
    }
    RegCloseKey(key);
}

void SetBrowser(const Browser* browser) {
    SetValues(HKEY_LOCAL_MACHINE, kBrowserKey,
              {{"Build", browser ? browser->build : nullptr}, {"Version", browser ? browser->version : nullptr}});
}

void SetWindowsVersion(const char* id) { SetValues(HKEY_CURRENT_USER, kAppDefaults, {{"Version", id}}); }

// ---- windows

bool WaitFor(int milliseconds, const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
        Sleep(10);
    }
    return true;
}

std::string Text(HWND hwnd) {
    char text[1024];
    int length = hwnd ? GetWindowTextA(hwnd, text, sizeof text) : 0;
    return std::string(text, length > 0 ? length : 0);
}

HWND FindDescendant(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (HWND inner = FindDescendant(child, id)) return inner;
    }
    return nullptr;
}

struct TopLevel {
    DWORD process;
    HWND hwnd = nullptr;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<TopLevel*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[64];
    if (process == found->process && IsWindowVisible(hwnd) && GetClassNameA(hwnd, name, sizeof name) &&
        !strcmp(name, "MDIQOBSetup")) {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A launcher started in a kit folder, ended when it goes out of scope.
class Launcher {
public:
    Launcher(const std::string& exe, const std::string& folder) {
        std::string line = "\"" + exe + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &process_)) {
            error_ = "Setup32.exe não iniciou (erro " + std::to_string(GetLastError()) + ")";
            return;
        }
        WaitFor(kStartTimeout, [&] {
            TopLevel found{process_.dwProcessId};
            EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
            frame_ = found.hwnd;
            return frame_ || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        });
        if (!frame_) {
            error_ = "a janela do Setup32 não apareceu";
            return;
        }
        WaitForInputIdle(process_.hProcess, kStepTimeout);
    }
    ~Launcher() {
        if (!process_.hProcess) return;
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    const std::string& error() const { return error_; }
    HWND frame() const { return frame_; }
    HWND client() const { return FindWindowExA(frame_, nullptr, "MDIClient", nullptr); }
    HWND Page(const char* name) const { return FindWindowExA(client(), nullptr, name, nullptr); }
    HWND Control(const char* page, CtlId control) const {
        HWND hwnd = Page(page);
        return hwnd ? FindDescendant(hwnd, ControlIdOf(control)) : nullptr;
    }

    // Next on the start page, with the browser option selected, shows the
    // browser page. With the dialer option it would start the dialer's
    // installer: then nothing is pressed.
    bool ShowBrowserPage() {
        HWND optIE = Control("frmini", CtlId::OptIE);
        HWND next = Control("frmini", CtlId::cmdNext);
        if (!optIE || !next || SendMessageA(optIE, BM_GETCHECK, 0, 0) != BST_CHECKED) {
            error_ = "a página inicial não tem a opção do navegador marcada: nada foi pressionado";
            return false;
        }
        PostMessageA(next, BM_CLICK, 0, 0);
        if (!WaitFor(kStepTimeout, [&] { return IsWindowVisible(Page("frmIE")) != FALSE; })) {
            error_ = "a página do navegador não apareceu";
            return false;
        }
        return true;
    }

private:
    PROCESS_INFORMATION process_{};
    HWND frame_ = nullptr;
    std::string error_;
};

// ---- captures

struct Shot {
    std::string file;  // empty: none
    int width = 0, height = 0;
};

bool Grab(const RECT& r, std::vector<std::uint32_t>& pixels) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(width) * height);
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool WriteBitmap(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(stride) * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(stride, '\0');
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
            row[x * 3] = static_cast<char>(pixel & 0xFF);
            row[x * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        data += row;
    }
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
    CloseHandle(out);
    return ok;
}

// The window as it is on the screen: it paints itself now (the launcher's
// thread has drawn everything when RedrawWindow returns), and the picture is
// taken once two grabs in a row agree, which they do when the drawing has
// reached the display.
Shot Capture(HWND hwnd, const std::string& folder, const std::string& name) {
    Shot shot;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return shot;
    std::vector<std::uint32_t> last, now;
    if (!Grab(r, last)) return shot;
    for (int i = 0; i < 50; ++i) {
        Sleep(20);
        if (!Grab(r, now)) return shot;
        if (now == last) break;
        last.swap(now);
    }
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (!WriteBitmap(folder + "\\" + name + ".bmp", width, height, now)) return shot;
    shot.file = name;
    shot.width = width;
    shot.height = height;
    return shot;
}

// ---- the report

std::string Json(const std::string& text) { return JsonString(text); }
std::string Json(const char* text) { return text ? JsonString(text) : "null"; }

std::string ShotJson(const Shot& shot) {
    if (shot.file.empty()) return "null";
    return "{\"file\": " + Json(shot.file) + ", \"width\": " + std::to_string(shot.width) +
           ", \"height\": " + std::to_string(shot.height) + "}";
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The background pictures in the order the slideshow's ticks ask for them,
// once round, and the timer's interval: the launcher's own start-up and
// timer run on the kit's files.
std::vector<std::string> SlideshowOrder(const std::string& kit, long& interval) {
    FilePlatform sys(kit);
    Wizard wizard(sys, sys);
    wizard.frame.MDIForm_Load();
    interval = sys.timerInterval;
    sys.pictureLoads.clear();
    int ticks = 0;
    do wizard.frame.Timer1_Timer();
    while (wizard.frame.imgAtual() != 1 && ++ticks < 32767);
    std::vector<std::string> names;
    for (const std::string& path : sys.pictureLoads)
        names.push_back(path.compare(0, kit.size() + 1, kit + "\\") == 0 ? path.substr(kit.size() + 1) : path);
    return names;
}

std::string Slideshow(const std::string& exe, const std::string& kit, const std::string& slideshowKit,
                      const std::string& out, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    long interval = 0;
    const std::vector<std::string> order = SlideshowOrder(kit, interval);
    const std::string ini = slideshowKit + "\\setup.ini";
    if (GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES) {
        WritePrivateProfileStringA("Setup32", "tempo", "0", ini.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
    }
    SetWindowsVersion(nullptr);
    SetBrowser(nullptr);
    Launcher launcher(exe, slideshowKit);
    Shot frame, startPage;
    std::string pictures;
    int shown = 0;
    if (launcher.error().empty()) {
        frame = Capture(launcher.frame(), out, "frame");
        if (HWND page = launcher.Page("frmini")) {
            startPage = Capture(page, out, "start-page");
            // The pages stand over the middle of the background.
            ShowWindow(page, SW_HIDE);
            WaitFor(kStepTimeout, [&] { return !IsWindowVisible(page); });
        }
        for (const std::string& name : order) {
            if (shown == kMaxSlides) break;
            SendMessageA(launcher.frame(), WM_TIMER, 1, 0);
            ++shown;
            const Shot shot = Capture(launcher.client(), out, "slide-" + std::to_string(shown));
            pictures += std::string(pictures.empty() ? "" : ",") + "\n      {\"file\": " + Json(name) +
                        ", \"capture\": " + ShotJson(shot) + "}";
            ok = ok && !shot.file.empty();
        }
    }
    ok = ok && launcher.error().empty() && !frame.file.empty() && !startPage.file.empty();
    std::printf("Frame, start page and slideshow: %d of %zu pictures%s (%.2f s)\n", shown, order.size(),
                launcher.error().empty() ? "" : (", " + Utf8FromCp1252(launcher.error())).c_str(), Seconds(start));
    std::fflush(stdout);
    return "  \"frame\": " + ShotJson(frame) + ",\n  \"start_page\": " + ShotJson(startPage) +
           ",\n  \"slideshow\": {\"interval\": " + std::to_string(interval) +
           ", \"count\": " + std::to_string(order.size()) + ", \"pictures\": [" + pictures + "\n  ]},\n" +
           "  \"error\": " + Json(launcher.error()) + ",\n";
}

// The browser page of one Windows and browser, captured as PREFIX + page-WINDOWS-BROWSER.
std::string Cell(const std::string& exe, const std::string& kit, const std::string& out, const WindowsVersion& windows,
                 const Browser& browser, int number, int count, bool& ok, const std::string& prefix = "") {
    const auto start = std::chrono::steady_clock::now();
    SetWindowsVersion(windows.id);
    SetBrowser(browser.build ? &browser : nullptr);
    Launcher launcher(exe, kit);
    Shot page;
    std::string options, system, language, plan;
    std::string shown;
    if (launcher.error().empty() && launcher.ShowBrowserPage()) {
        system = Text(launcher.Control("frmIE", CtlId::lblSistema));
        language = Text(launcher.Control("frmIE", CtlId::lblLinguagem));
        plan = Text(launcher.Control("frmIE", CtlId::lblResultado));
        for (CtlId option : kOptions) {
            HWND button = launcher.Control("frmIE", option);
            const bool visible = button && IsWindowVisible(button);
            const bool checked = button && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (visible) shown += std::string(shown.empty() ? "" : ", ") + Text(button).substr(Text(button).rfind(' ') + 1);
            options += std::string(options.empty() ? "" : ", ") + "{\"control\": " +
                       Json(DesignOf(FormId::frmIE, option)->name) + ", \"caption\": " + Json(Text(button)) +
                       ", \"visible\": " + (visible ? "true" : "false") + ", \"checked\": " +
                       (checked ? "true" : "false") + "}";
        }
        page = Capture(launcher.Page("frmIE"), out, prefix + "page-" + windows.id + "-" + browser.id);
    }
    ok = ok && launcher.error().empty() && !page.file.empty();
    std::printf("[%2d/%d] %-14s browser %-4s: %s (%.2f s)\n", number, count, windows.name, browser.id,
                !launcher.error().empty() ? Utf8FromCp1252(launcher.error()).c_str()
                : page.file.empty()       ? "no capture"
                : shown.empty()           ? "no option shown"
                                          : ("options " + shown).c_str(),
                Seconds(start));
    std::fflush(stdout);
    return "    {\"windows\": " + Json(windows.id) + ", \"windows_name\": " + Json(windows.name) +
           ", \"browser\": " + Json(browser.id) + ", \"build\": " + Json(browser.build) +
           ", \"version\": " + Json(browser.version) + ",\n     \"page\": " + ShotJson(page) +
           ", \"sistema\": " + Json(system) + ", \"idioma\": " + Json(language) + ", \"plano\": " + Json(plan) +
           ",\n     \"options\": [" + options + "], \"error\": " + Json(launcher.error()) + "}";
}

// The frame with its start page on the screen this program runs on (a small
// display, a larger font size), the whole screen captured: OUTDIR\screen-NAME.bmp and screen-NAME.json
// with the screen's size and dots per inch, as the launcher sees them.
int Screen(const std::string& name, const std::string& exe, const std::string& kit, const std::string& out) {
    const auto start = std::chrono::steady_clock::now();
    SetWindowsVersion(nullptr);
    SetBrowser(nullptr);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    Launcher launcher(exe, kit);
    Shot frame;
    RECT r{};
    if (launcher.error().empty()) {
        // The whole screen: what of the frame the user sees there.
        GetWindowRect(launcher.frame(), &r);
        frame = Capture(GetDesktopWindow(), out, "screen-" + name);
    }
    const std::string json = "{\"name\": " + Json(name) + ", \"screen\": [" + std::to_string(width) + ", " +
                             std::to_string(height) + "], \"dpi\": " + std::to_string(dpi) +
                             ", \"frame\": " + ShotJson(frame) + ", \"window\": [" + std::to_string(r.left) + ", " +
                             std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
                             std::to_string(r.bottom) + "], \"error\": " + Json(launcher.error()) + "}\n";
    const std::string path = out + "\\screen-" + name + ".json";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, json.data(), static_cast<DWORD>(json.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    std::printf("Screen %s: %d x %d at %d dpi, frame %ld x %ld%s (%.2f s)\n", name.c_str(), width, height, dpi,
                r.right - r.left, r.bottom - r.top,
                launcher.error().empty() ? "" : (", " + Utf8FromCp1252(launcher.error())).c_str(), Seconds(start));
    std::fflush(stdout);
    return ok && launcher.error().empty() && !frame.file.empty() ? 0 : 1;
}

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return ok;
}

// The start page and the later PCs' browser pages on the screen this program
// runs on (more dots per inch): OUTDIR\later-NAME-*.bmp and later-NAME.json,
// with the screen's size and dots per inch and the cells as in capture.json.
int Later(const std::string& name, const std::string& exe, const std::string& kit, const std::string& out) {
    const auto start = std::chrono::steady_clock::now();
    const std::string prefix = "later-" + name + "-";
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    bool ok = true;
    Shot startPage;
    std::string error;
    {
        SetWindowsVersion(nullptr);
        SetBrowser(nullptr);
        Launcher launcher(exe, kit);
        error = launcher.error();
        if (error.empty()) startPage = Capture(launcher.Page("frmini"), out, prefix + "start-page");
    }
    ok = error.empty() && !startPage.file.empty();
    std::printf("Later PCs at %d dpi: start page%s (%.2f s)\n", dpi,
                error.empty() ? "" : (", " + Utf8FromCp1252(error)).c_str(), Seconds(start));
    std::string cells;
    int count = 0, number = 0;
    for (const WindowsVersion& windows : kWindows) count += windows.later ? static_cast<int>(std::size(kBrowsers)) : 0;
    for (const WindowsVersion& windows : kWindows)
        for (const Browser& browser : kBrowsers)
            if (windows.later) {
                if (number++) cells += ",\n";
                cells += Cell(exe, kit, out, windows, browser, number, count, ok, prefix);
            }
    SetWindowsVersion(nullptr);
    SetBrowser(nullptr);
    const std::string json = "{\"name\": " + Json(name) + ", \"dpi\": " + std::to_string(dpi) + ", \"screen\": [" +
                             std::to_string(GetSystemMetrics(SM_CXSCREEN)) + ", " +
                             std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "], \"start_page\": " +
                             ShotJson(startPage) + ", \"error\": " + Json(error) + ",\n  \"cells\": [\n" + cells +
                             "\n  ]\n}\n";
    return WriteText(out + "\\later-" + name + ".json", json) && ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--screen") return Screen(argv[2], argv[3], argv[4], argv[5]);
    if (argc == 6 && std::string(argv[1]) == "--later") return Later(argv[2], argv[3], argv[4], argv[5]);
    if (argc != 5) {
        std::fprintf(stderr, "usage: preview.exe SETUP32_EXE KIT SLIDESHOW_KIT OUTDIR\n"
                             "       preview.exe --screen NAME SETUP32_EXE KIT OUTDIR\n"
                             "       preview.exe --later NAME SETUP32_EXE KIT OUTDIR\n");
        return 2;
    }
    const std::string exe = argv[1], kit = argv[2], slideshowKit = argv[3], out = argv[4];
    bool ok = true;
    std::string json = "{\n" + Slideshow(exe, kit, slideshowKit, out, ok) + "  \"cells\": [\n";
    const int count = static_cast<int>(std::size(kWindows) * std::size(kBrowsers));
    int number = 0;
    for (const WindowsVersion& windows : kWindows)
        for (const Browser& browser : kBrowsers) {
            if (number++) json += ",\n";
            json += Cell(exe, kit, out, windows, browser, number, count, ok);
        }
    json += "\n  ]\n}\n";
    SetWindowsVersion(nullptr);
    SetBrowser(nullptr);

    return WriteText(out + "\\capture.json", json) && ok ? 0 : 1;
}
