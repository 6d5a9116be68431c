#include "platform/forms/win32/win32_forms.h"

#include "platform/desktop/desktop.h"
#include "platform/forms/design.h"
#include "platform/forms/win32/frame_window.h"
#include "platform/forms/win32/page_window.h"
#include "platform/forms/win32/picture.h"

Win32Forms::Win32Forms(const Desktop& desktop, const Design& design) : desktop_(desktop), design_(design) {}

Win32Forms::~Win32Forms() = default;

bool Win32Forms::Create(FormEvents& events) {
    events_ = &events;
    frame_ = std::make_unique<FrameWindow>(desktop_, design_, events);
    return frame_->Create();
}

HWND Win32Forms::frame() const { return frame_ ? frame_->hwnd() : nullptr; }

int Win32Forms::Run(int showCommand) {
    events_->Load(FormId::MDIQOBSetup);
    ShowWindow(frame_->hwnd(), frame_->ShowCommand(showCommand));
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

bool Win32Forms::SetTimerInterval(long ms) {
    return TimerAccepts(ms) && frame_ && frame_->SetTimerInterval(static_cast<UINT>(ms));
}

PageWindow* Win32Forms::Page(FormId form) const {
    if (form == FormId::MDIQOBSetup) return nullptr;
    PageWindow* page = pages_[form == FormId::frmini ? 0 : 1].get();
    return page && page->hwnd() ? page : nullptr;
}

HWND Win32Forms::WindowOf(FormId form) const {
    if (form == FormId::MDIQOBSetup) return frame_ ? frame_->hwnd() : nullptr;
    PageWindow* page = Page(form);
    return page ? page->hwnd() : nullptr;
}

bool Win32Forms::LoadPicture(FormId form, CtlId control, const std::string& path) {
    // What lies behind the picture: the frame's workspace, or a page.
    LOGBRUSH brush{};
    GetObjectA(GetSysColorBrush(form == FormId::MDIQOBSetup ? COLOR_APPWORKSPACE : COLOR_BTNFACE), sizeof brush, &brush);
    const COLORREF behind = brush.lbColor;
    std::unique_ptr<Picture> picture = Picture::Load(path, behind);
    if (!picture) return false;
    if (form == FormId::MDIQOBSetup && frame_) {
        frame_->SetBackground(std::move(picture));
        return true;
    }
    PageWindow* page = Page(form);
    return page && page->SetPicture(control, std::move(picture));
}

void Win32Forms::CreateForm(FormId form) {
    if (form == FormId::MDIQOBSetup || !frame_ || !events_) return;
    auto& slot = pages_[form == FormId::frmini ? 0 : 1];
    slot = std::make_unique<PageWindow>(desktop_, design_, *events_, form);
    slot->Create(frame_->client());
}

void Win32Forms::ShowForm(FormId form) {
    if (PageWindow* page = Page(form)) page->Show(frame_->client());
}

void Win32Forms::HideForm(FormId form) {
    if (HWND hwnd = WindowOf(form)) ShowWindow(hwnd, SW_HIDE);
}

bool Win32Forms::OuterSize(FormId form, float& width, float& height) {
    HWND hwnd = WindowOf(form);
    RECT r;
    if (!hwnd || !GetWindowRect(hwnd, &r)) return false;
    width = PixelsToTwips(r.right - r.left, desktop_.dpiX());
    height = PixelsToTwips(r.bottom - r.top, desktop_.dpiY());
    return true;
}

bool Win32Forms::MoveForm(FormId form, float twips, bool top) {
    HWND hwnd = WindowOf(form);
    int px = 0;
    if (form == FormId::MDIQOBSetup || !hwnd || !TwipsToPixels(twips, top ? desktop_.dpiY() : desktop_.dpiX(), px)) return false;
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return SetWindowPos(hwnd, nullptr, top ? r.left : px, top ? px : r.top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool Win32Forms::SetFormTop(FormId form, float twips) { return MoveForm(form, twips, true); }
bool Win32Forms::SetFormLeft(FormId form, float twips) { return MoveForm(form, twips, false); }

void Win32Forms::SetCaption(FormId form, CtlId control, const std::string& text) {
    if (PageWindow* page = Page(form)) page->SetCaption(control, text);
}

void Win32Forms::SetToolTip(FormId form, CtlId control, const std::string& text) {
    if (PageWindow* page = Page(form)) page->SetToolTip(control, text);
}

void Win32Forms::SetVisible(FormId form, CtlId control, bool visible) {
    if (PageWindow* page = Page(form)) page->SetVisible(control, visible);
}

bool Win32Forms::IsChecked(FormId form, CtlId control) {
    PageWindow* page = Page(form);
    HWND hwnd = page ? page->Control(control) : nullptr;
    return hwnd && SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
