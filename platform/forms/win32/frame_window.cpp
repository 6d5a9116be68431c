#include "platform/forms/win32/frame_window.h"

#include "platform/desktop/desktop.h"
#include "platform/desktop/placement.h"
#include "platform/forms/design.h"
#include "platform/forms/win32/picture.h"

namespace {

const char* const kClassName = "MDIQOBSetup";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kFirstChildId = 0xFF00;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

}  // namespace

FrameWindow::FrameWindow(const Desktop& desktop, const Design& design, FormEvents& events)
    : desktop_(desktop), design_(design), events_(events) {}

FrameWindow::~FrameWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FrameWindow::Create() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = desktop_.instance();
    wc.hIcon = desktop_.icon();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);

    const FormDesign& design = design_.Of(FormId::MDIQOBSetup);
    RECT r = {desktop_.ToPixelsX(design.left), desktop_.ToPixelsY(design.top),
              desktop_.ToPixelsX(design.left + design.width), desktop_.ToPixelsY(design.top + design.height)};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    RECT work = r;  // a system that cannot say keeps the design place
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const Placement place = PlaceWindow({r.left, r.top, r.right, r.bottom}, {work.left, work.top, work.right, work.bottom});
    maximised_ = place.maximised;
    CreateWindowExA(0, kClassName, design.caption, kStyle, place.box.left, place.box.top, place.box.width(),
                    place.box.height(), nullptr, nullptr, desktop_.instance(), this);
    if (!hwnd_ || !client_) return false;
    SetTimer(hwnd_, kTimer1, static_cast<UINT>(design_.timerInterval), nullptr);
    return true;
}

int FrameWindow::ShowCommand(int requested) const {
    // A start that asks for no particular state opens maximised when the
    // design does not fit; a start minimised or maximised is kept.
    const bool plain = requested == SW_SHOWNORMAL || requested == SW_SHOW || requested == SW_SHOWDEFAULT ||
                       requested == SW_SHOWNA || requested == SW_SHOWNOACTIVATE;
    return maximised_ && plain ? SW_SHOWMAXIMIZED : requested;
}

bool FrameWindow::CreateClient() {
    CLIENTCREATESTRUCT ccs{};
    ccs.idFirstChild = kFirstChildId;
    RECT r;
    GetClientRect(hwnd_, &r);
    client_ = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE | MDIS_ALLCHILDSTYLES,
                              0, 0, r.right, r.bottom, hwnd_, nullptr, desktop_.instance(), &ccs);
    if (!client_) return false;
    SetWindowLongPtrA(client_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    clientProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(client_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClientProc)));
    return true;
}

void FrameWindow::Displayed() {
    displayed_ = true;
    events_.Resize(FormId::MDIQOBSetup);
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
        background_->Draw(dc, x, y, false);
        ExcludeClipRect(dc, x, y, x + background_->width(), y + background_->height());
    }
    FillRect(dc, &r, GetSysColorBrush(COLOR_APPWORKSPACE));
}

// On a screen of 256 or 16 colours: the background picture's palette is
// realized in the foreground, and the page shown realizes its own picture's
// as a background palette; both are repainted with the colours the screen
// now has. Windows sends the palette messages to the frame only.
LRESULT FrameWindow::RealizePalettes(UINT msg, WPARAM wParam, LPARAM lParam) {
    UINT changed = 0;
    if (background_ && background_->palette()) {
        HDC dc = GetDC(client_);
        changed = background_->Realize(dc, false);
        ReleaseDC(client_, dc);
        InvalidateRect(client_, nullptr, TRUE);
    }
    if (HWND page = reinterpret_cast<HWND>(SendMessageA(client_, WM_MDIGETACTIVE, 0, 0)))
        SendMessageA(page, msg, wParam, lParam);
    return changed ? TRUE : FALSE;
}

bool FrameWindow::QueryUnload(std::int16_t mode) {
    std::int16_t cancel = 0;
    events_.QueryUnload(FormId::MDIQOBSetup, cancel, mode);
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
        if (displayed_) events_.Resize(FormId::MDIQOBSetup);
        return result;
    }
    case WM_TIMER:
        if (wParam == kTimer1) events_.Timer(FormId::MDIQOBSetup);
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
    case WM_QUERYNEWPALETTE:
        return RealizePalettes(msg, wParam, lParam);
    case WM_PALETTECHANGED:
        // Not when this frame or one of its windows changed it: that would
        // realize and repaint without end.
        if (reinterpret_cast<HWND>(wParam) != hwnd_ && !IsChild(hwnd_, reinterpret_cast<HWND>(wParam)))
            RealizePalettes(msg, wParam, lParam);
        return 0;
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
