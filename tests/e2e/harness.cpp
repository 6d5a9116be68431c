#include "tests/e2e/harness.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "wizard/layout.h"

namespace {

const char* const kBrowserKey = "Software\\Microsoft\\Internet Explorer";
const char* const kAppDefaults = "Software\\Wine\\AppDefaults\\Setup32.exe";

struct Found {
    DWORD process;
    const char* className;
    HWND hwnd = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<Found*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[64];
    if (process == found->process && GetClassNameA(hwnd, name, sizeof name) && !strcmp(name, found->className) &&
        IsWindowVisible(hwnd)) {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDescendant(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == id) return child;
        if (HWND inner = FindDescendant(child, id)) return inner;
    }
    return nullptr;
}

void Check(LONG result, const char* what) {
    if (result != ERROR_SUCCESS) ADD_FAILURE() << what << " failed: " << result;
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string Environment(const char* name) {
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        ADD_FAILURE() << "environment variable " << name << " is not set";
        return "";
    }
    return value;
}

std::string WindowText(HWND hwnd) {
    char text[1024];
    int length = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

// ---- Kit

Kit::Kit() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    static int kits = 0;
    dir_ = Environment("SETUP32_WORK") + "\\" + test->test_suite_name() + "." + test->name() + "." +
           std::to_string(++kits);
    for (char& c : dir_)
        if (c == '/') c = '_';
    // The work folder is emptied before every run, so the folder is new.
    EXPECT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
    log_ = Path("started.log");
}

Kit::Kit(std::string dir, std::string logFile) : dir_(std::move(dir)), log_(std::move(logFile)) {}

void Kit::Ini(const std::string& text) const {
    std::ofstream(Path("setup.ini"), std::ios::binary) << text;
}

void Kit::Bitmap(const std::string& name, COLORREF color, int width, int height) const {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(color));
        row[x * 3 + 1] = static_cast<char>(GetGValue(color));
        row[x * 3 + 2] = static_cast<char>(GetRValue(color));
    }
    std::ofstream out(Path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = 0; y < height; ++y) out << row;
}

void Kit::Fixture(const std::string& fixture, const std::string& name) const {
    std::string from = Environment("SETUP32_FIXTURES") + "\\" + fixture;
    EXPECT_TRUE(CopyFileA(from.c_str(), Path(name).c_str(), FALSE)) << from;
}

void Kit::Installer(const std::string& name) const {
    std::string from = Environment("SETUP32_STUB");
    EXPECT_TRUE(CopyFileA(from.c_str(), Path(name).c_str(), FALSE)) << from;
}

std::vector<std::string> Kit::Started() const {
    std::vector<std::string> lines;
    std::ifstream in(log_, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// ---- registry

void SetBrowser(const char* build, const char* version) {
    HKEY key;
    Check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBrowserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
          "RegCreateKeyExA");
    const std::pair<const char*, const char*> values[] = {{"Build", build}, {"Version", version}};
    for (const auto& [name, value] : values) {
        if (value)
            Check(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(strlen(value) + 1)),
                  "RegSetValueExA");
        else
            RegDeleteValueA(key, name);
    }
    RegCloseKey(key);
}

void SetBrowserValue(const char* name, DWORD type, const std::string& data) {
    HKEY key;
    Check(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kBrowserKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
          "RegCreateKeyExA");
    // RegSetValueExA adds a zero to a text that lacks one when the byte after
    // the data is a zero: the byte after these is none, so they stay as given.
    const std::string bytes = data + '\xFF';
    Check(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(data.size())),
          "RegSetValueExA");
    RegCloseKey(key);
}

void SetWindowsVersion(const char* version) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (version)
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
    else
        RegDeleteValueA(key, "Version");
    RegCloseKey(key);
}

// ---- Snapshot

namespace {

std::uint64_t Digest(const void* data, std::size_t size, std::uint64_t hash = 14695981039346656037ull) {
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const std::uint8_t*>(data)[i]) * 1099511628211ull;
    return hash;
}

void AddFiles(const std::string& folder, std::map<std::string, std::uint64_t>& entries) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries["file " + path + "\\"] = 0;
            AddFiles(path, entries);
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        entries["file " + path] = Digest(content.data(), content.size());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void AddKeys(HKEY root, const std::string& path, std::map<std::string, std::uint64_t>& entries) {
    HKEY key;
    if (RegOpenKeyExA(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
        LONG result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_MORE_DATA) {
            data.resize(size);
            --i;
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        entries["value " + path + "\\" + name] = Digest(data.data(), size, type);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) {
        std::string child = path.empty() ? subkey : path + "\\" + subkey;
        entries["key " + child] = 0;
        AddKeys(root, child, entries);
    }
}

}  // namespace

Snapshot::Snapshot(const std::string& folder) {
    AddFiles(folder, entries_);
    std::map<std::string, std::uint64_t> machine, user;
    AddKeys(HKEY_LOCAL_MACHINE, "", machine);
    AddKeys(HKEY_CURRENT_USER, "", user);
    for (const auto& [name, digest] : machine) entries_["HKLM " + name] = digest;
    for (const auto& [name, digest] : user) entries_["HKCU " + name] = digest;
}

std::vector<std::string> Snapshot::Differences(const Snapshot& later) const {
    std::vector<std::string> differences;
    for (const auto& [name, digest] : entries_) {
        auto found = later.entries_.find(name);
        if (found == later.entries_.end())
            differences.push_back("removed: " + name);
        else if (found->second != digest)
            differences.push_back("changed: " + name);
    }
    for (const auto& [name, digest] : later.entries_)
        if (!entries_.count(name)) differences.push_back("added: " + name);
    return differences;
}

// ---- Launcher

Launcher::Launcher(const Kit& kit, const char* windowsVersion, const std::string& program)
    : version_(windowsVersion ? windowsVersion : "") {
    SetWindowsVersion(windowsVersion);
    SetEnvironmentVariableA("SETUP32_STUB_LOG", kit.log().c_str());

    std::string exe = program.empty() ? Environment("SETUP32_EXE") : program;
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Under a loaded machine Wine now and then fails a start that works a
    // moment later; a start that keeps failing is the test's failure.
    DWORD error = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, kit.dir().c_str(),
                           &startup, &process_)) {
            error = 0;
            break;
        }
        error = GetLastError();
        Sleep(500);
    }
    if (error) {
        ADD_FAILURE() << "cannot start " << exe << " (error " << error << ")";
        return;
    }
    thread_ = process_.dwThreadId;
    WaitFor([&] {
        Found found{process_.dwProcessId, "MDIQOBSetup"};
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
        frame_ = found.hwnd;
        return frame_ != nullptr || Ended(0);
    });
    EXPECT_NE(frame_, nullptr) << "the frame window did not show";
    WaitForInputIdle(process_.hProcess, 10000);  // start-up done, the message loop running
}

Launcher::~Launcher() {
    if (process_.hProcess) {
        if (!Ended(0)) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool Launcher::Ended(int milliseconds) const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD Launcher::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_.hProcess) GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

HWND Launcher::client() const { return FindWindowExA(frame_, nullptr, "MDIClient", nullptr); }

HWND Launcher::Page(const char* className) const { return FindWindowExA(client(), nullptr, className, nullptr); }

HWND Launcher::Control(const char* page, CtlId control) const {
    HWND hwnd = Page(page);
    return hwnd ? FindDescendant(hwnd, ControlIdOf(control)) : nullptr;
}

std::string Launcher::Text(HWND hwnd) const { return WindowText(hwnd); }

bool Launcher::Visible(HWND hwnd) const { return hwnd && IsWindowVisible(hwnd); }

bool Launcher::Checked(HWND hwnd) const { return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Launcher::Click(HWND button) const { PostMessageA(button, BM_CLICK, 0, 0); }

HWND Launcher::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
}

void Launcher::Key(WPARAM virtualKey) const {
    HWND target = Focus();
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(target, WM_KEYUP, virtualKey, 0xC0000001);
}

HWND Launcher::Box() const {
    Found found{process_.dwProcessId, "#32770"};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&found));
    return found.hwnd;
}

std::string Launcher::BoxText() const {
    HWND box = Box();
    return box ? WindowText(GetDlgItem(box, 0xFFFF)) : "";
}

std::vector<int> Launcher::BoxButtons() const {
    std::vector<int> ids;
    HWND box = Box();
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        if (HWND button = box ? GetDlgItem(box, id) : nullptr)
            if (IsWindowVisible(button)) ids.push_back(id);
    return ids;
}

int Launcher::BoxDefault() const {
    for (int id : BoxButtons())
        if ((GetWindowLongA(GetDlgItem(Box(), id), GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) return id;
    return 0;
}

void Launcher::Answer(int id) const {
    if (HWND box = Box()) PostMessageA(GetDlgItem(box, id), BM_CLICK, 0, 0);
}

COLORREF Launcher::ClientPixel() const {
    POINT p = {8, 8};
    ClientToScreen(client(), &p);
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return color;
}

RECT Launcher::RectIn(HWND hwnd, HWND parent) const {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ---- text measured as the user sees it

namespace {

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") - (" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

bool IsClass(HWND hwnd, const char* name) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return !lstrcmpiA(cls, name);
}

// The part of the screen where a control's children can be seen: its client
// area, less a group box's border (its top holds the caption).
RECT ChildRoom(HWND container) {
    RECT r;
    GetClientRect(container, &r);
    MapWindowPoints(container, nullptr, reinterpret_cast<POINT*>(&r), 2);
    if (IsClass(container, "Button") && (GetWindowLongA(container, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
        r.left += GetSystemMetrics(SM_CXEDGE);
        r.right -= GetSystemMetrics(SM_CXEDGE);
        r.bottom -= GetSystemMetrics(SM_CYEDGE);
    }
    return r;
}

}  // namespace

std::string TextCut(HWND control) {
    const std::string text = WindowText(control);
    if (text.empty()) return "";
    // The control's font. On Windows the launcher's answer is the stock GUI
    // font, a handle that holds in every process; Wine answers WM_GETFONT from
    // another process with 0, and the stock GUI font, which the launcher gives
    // every control, stands in (the pages' test holds the self-sizing labels'
    // widths to it).
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA logFont;
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!GetObjectA(font, sizeof logFont, &logFont)) return "its font (WM_GETFONT) can't be read";
    RECT client;
    GetClientRect(control, &client);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    // Where the control puts its text and how: a label from its top left,
    // wrapped unless it says not to; an option after its check mark (12
    // pixels and one at 96 dpi, and half a digit), centred in its height; a
    // push button centred between its edges.
    RECT room = client;
    UINT format = DT_WORDBREAK;
    bool option = false, button = false;
    if (IsClass(control, "Static")) {
        if ((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP) format = 0;
    } else if ((style & BS_TYPEMASK) == BS_AUTORADIOBUTTON || (style & BS_TYPEMASK) == BS_RADIOBUTTON) {
        SIZE digit{};
        GetTextExtentPoint32A(dc, "0", 1, &digit);
        room.left += 12 * GetDeviceCaps(dc, LOGPIXELSX) / 96 + 1 + digit.cx / 2;
        if (!(style & BS_MULTILINE)) format = DT_SINGLELINE;
        option = true;
    } else {
        InflateRect(&room, -(GetSystemMetrics(SM_CXEDGE) + 1), 0);
        format = DT_SINGLELINE;
        button = true;
    }
    RECT needed = {0, 0, room.right - room.left, 0};
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const bool centred = option || button;
    RECT shown = {room.left, 0, room.left + needed.right, needed.bottom};
    if (centred) OffsetRect(&shown, 0, (client.bottom - needed.bottom) / 2);
    if (button) OffsetRect(&shown, (room.right - room.left - needed.right) / 2, 0);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&shown), 2);

    // What can be seen of the control: its client area within each
    // container's room, up to the page.
    RECT seen = client;
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&seen), 2);
    for (HWND container = GetParent(control); container; container = GetParent(container)) {
        RECT inside = ChildRoom(container);
        IntersectRect(&seen, &seen, &inside);
        if (GetWindowLongA(container, GWL_EXSTYLE) & WS_EX_MDICHILD) break;  // the page
    }
    // The top of a line's cell (the internal leading) holds only the accents
    // of capitals (cp1252 0xC0 to 0xDD): a text without one loses nothing
    // when that much of the cell is cut (a one-line option at 120 dpi: 16
    // pixels of the design for a 17-pixel cell).
    bool accentedCapital = false;
    for (unsigned char c : text) accentedCapital |= c >= 0xC0 && c <= 0xDD;
    const int spare = accentedCapital ? 0 : metrics.tmInternalLeading;
    if (shown.left >= seen.left && shown.right <= seen.right && shown.top + spare >= seen.top &&
        shown.bottom - (centred ? spare : 0) <= seen.bottom)
        return "";
    return "\"" + text + "\" needs " + Show(shown) + " on the screen, " + std::to_string(needed.bottom / metrics.tmHeight) +
           " line(s), and shows in " + Show(seen) + " (internal leading " + std::to_string(metrics.tmInternalLeading) + ")";
}
