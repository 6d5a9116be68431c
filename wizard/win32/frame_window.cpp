#include "wizard/win32/frame_window.h"

#include "platform/win32/picture.h"
#include "platform/win32/win32_platform.h"
#include "wizard/layout.h"
#include "wizard/wizard.h"

namespace {

const char* const kClassName = "MDIQOBSetup";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kFirstChildId = 0xFF00;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Reasons for a close, as the close handlers know them.
constexpr short kCloseByUser = 0;
constexpr short kCloseByWindows = 2;
constexpr short kCloseByTaskList = 3;

}  // namespace

FrameWindow::FrameWindow(Win32Platform& platform, Wizard& wizard) : platform_(platform), wizard_(wizard) {}

FrameWindow::~FrameWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FrameWindow::Create() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = platform_.instance();
    wc.hIcon = platform_.icon();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);

    const FormDesign& design = DesignOf(FormId::MDIQOBSetup);
    RECT r = {platform_.ToPixelsX(design.left), platform_.ToPixelsY(design.top),
              platform_.ToPixelsX(design.left + design.width), platform_.ToPixelsY(design.top + design.height)};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    CreateWindowExA(0, kClassName, design.caption, kStyle, r.left, r.top, r.right - r.left, r.bottom - r.top,
                    nullptr, nullptr, platform_.instance(), this);
    if (!hwnd_ || !client_) return false;
    SetTimer(hwnd_, kTimer1, kTimer1DesignInterval, nullptr);
    return true;
}

bool FrameWindow::CreateClient() {
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = kFirstChildId;
    RECT r;
    GetClientRect(hwnd_, &r);
    client_ = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE | MDIS_ALLCHILDSTYLES,
                              0, 0, r.right, r.bottom, hwnd_, nullptr, platform_.instance(), &ccs);
    if (!client_) return false;
    SetWindowLongPtrA(client_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    clientProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(client_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClientProc)));
    return true;
}

void FrameWindow::Displayed() {
    displayed_ = true;
    wizard_.frame.MDIForm_Resize();
}

void FrameWindow::SetBackground(std::unique_ptr<Picture> picture) {
    background_ = std::move(picture);  // frees the picture shown before
    if (client_) InvalidateRect(client_, nullptr, TRUE);
}

bool FrameWindow::SetTimerInterval(UINT ms) {
    if (ms == 0) {
        KillTimer(hwnd_, kTimer1);
        return true;
    }
    return SetTimer(hwnd_, kTimer1, ms, nullptr) != 0;
}

// The picture sits in the middle of the client area, on the application
// workspace colour.
void FrameWindow::PaintBackground(HDC dc) {
    RECT r;
    GetClientRect(client_, &r);
    if (background_) {
        int x = (r.right - background_->width()) / 2;
        int y = (r.bottom - background_->height()) / 2;
        background_->Draw(dc, x, y);
        ExcludeClipRect(dc, x, y, x + background_->width(), y + background_->height());
    }
    FillRect(dc, &r, GetSysColorBrush(COLOR_APPWORKSPACE));
}

bool FrameWindow::QueryUnload(short mode) {
    std::int16_t cancel = 0;
    wizard_.frame.MDIForm_QueryUnload(cancel, mode);
    return cancel == 0;
}

LRESULT CALLBACK FrameWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto self = static_cast<FrameWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto self = reinterpret_cast<FrameWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefFrameProcA(hwnd, nullptr, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->client_ = nullptr;
        return DefFrameProcA(hwnd, nullptr, msg, wParam, lParam);
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT FrameWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return CreateClient() ? 0 : -1;
    case WM_SIZE: {
        LRESULT result = DefFrameProcA(hwnd_, client_, msg, wParam, lParam);
        if (displayed_) wizard_.frame.MDIForm_Resize();
        return result;
    }
    case WM_TIMER:
        if (wParam == kTimer1) wizard_.frame.Timer1_Timer();
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            userClose_ = true;
            LRESULT result = DefFrameProcA(hwnd_, client_, msg, wParam, lParam);
            userClose_ = false;
            return result;
        }
        break;
    case WM_CLOSE:
        if (QueryUnload(userClose_ ? kCloseByUser : kCloseByTaskList)) DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return QueryUnload(kCloseByWindows);
    case WM_DESTROY:
        KillTimer(hwnd_, kTimer1);
        PostQuitMessage(0);
        return 0;
    }
    return DefFrameProcA(hwnd_, client_, msg, wParam, lParam);
}

LRESULT CALLBACK FrameWindow::ClientProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto self = reinterpret_cast<FrameWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_ERASEBKGND:
        self->PaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_SIZE:
        InvalidateRect(hwnd, nullptr, TRUE);  // the picture stays in the middle
        break;
    }
    return CallWindowProcA(self->clientProc_, hwnd, msg, wParam, lParam);
}
