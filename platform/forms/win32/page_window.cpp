#include "platform/forms/win32/page_window.h"

#include <commctrl.h>

#include <optional>

#include "platform/desktop/desktop.h"
#include "platform/forms/design.h"
#include "platform/forms/win32/picture.h"

namespace {

static_assert(ControlIdOf(CtlId::cmdNext) == IDOK && ControlIdOf(CtlId::cmdCancel) == IDCANCEL,
              "Enter and Esc press the default and cancel buttons");

constexpr DWORD kStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU;

// A page made again after another program closed it finds its class
// registered: the second registration fails and changes nothing.
void RegisterPageClass(HINSTANCE instance, HICON icon, const char* name, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

struct ControlClass {
    const char* className;
    DWORD style;
    ControlClass(const char* name, LONG s) : className(name), style(static_cast<DWORD>(s)) {}
};

ControlClass ClassOf(const ControlDesign& c) {
    switch (c.kind) {
    case Kind::Image:
        return {"Static", SS_OWNERDRAW | WS_BORDER};
    case Kind::Label:
        return {"Static", SS_NOTIFY | SS_NOPREFIX | SS_LEFT};
    case Kind::Frame:
        return (c.flags & kSeparator) ? ControlClass{"Static", SS_ETCHEDHORZ} : ControlClass{"Button", BS_GROUPBOX};
    case Kind::Option:
        return {"Button", BS_AUTORADIOBUTTON | BS_MULTILINE | ((c.flags & kSelected) ? WS_TABSTOP : 0)};
    case Kind::Button:
        return {"Button", WS_TABSTOP | ((c.flags & kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)};
    case Kind::PictureBox:
        return {"Static", SS_LEFT};
    }
    return {"Static", 0};
}

// The common controls give the tool tips, which only pages on the Windows 95
// family have: the DLL is loaded with the first one rather than at start.
bool LoadCommonControls() {
    static bool tried = false, loaded = false;
    if (!tried) {
        tried = true;
        HMODULE comctl32 = LoadSystemLibrary("comctl32.dll");
        FARPROC init = comctl32 ? GetProcAddress(comctl32, "InitCommonControls") : nullptr;
        if (init) reinterpret_cast<void(WINAPI*)()>(reinterpret_cast<void (*)()>(init))();
        loaded = init != nullptr;
    }
    return loaded;
}

// Text sizes as a label draws its text: tabs expanded, no prefix
// characters, on one line or broken at blanks.
class LabelMeasure final : public TextMeasure {
public:
    explicit LabelMeasure(HDC dc) : dc_(dc) {}
    void Measure(const std::string& text, int width, int& cx, int& cy) const override {
        RECT r = {0, 0, width, 0};
        DrawTextA(dc_, text.c_str(), -1, &r,
                  DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (width ? DT_WORDBREAK : 0));
        cx = r.right;
        cy = r.bottom;
    }

private:
    HDC dc_;
};

}  // namespace

PageWindow::PageWindow(const Desktop& desktop, const Design& design, FormEvents& events, FormId form)
    : desktop_(desktop),
      design_(design),
      events_(events),
      form_(form),
      layout_(design, form, desktop.dpiX(), desktop.dpiY(), GetSystemMetrics(SM_CXEDGE)) {}

bool PageWindow::HoldsTabStops(const ControlDesign& container) const {
    for (const ControlDesign& c : design_)
        if (c.form == container.form && c.container == container.id && c.tabIndex != kNoTab &&
            (c.kind == Kind::Option || c.kind == Kind::Button))
            return true;
    return false;
}

PageWindow::~PageWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (toolTip_) DestroyWindow(toolTip_);
}

bool PageWindow::Create(HWND client) {
    const FormDesign& design = design_.Of(form_);
    RegisterPageClass(desktop_.instance(), desktop_.icon(), design.name, WindowProc);
    RECT r = {0, 0, desktop_.ToPixelsX(design.width), desktop_.ToPixelsY(design.height)};
    AdjustWindowRectEx(&r, kStyle, FALSE, WS_EX_MDICHILD);

    MDICREATESTRUCTA mcs{};
    mcs.szClass = design.name;
    mcs.szTitle = design.caption;
    mcs.hOwner = desktop_.instance();
    mcs.x = desktop_.ToPixelsX(design.left);
    mcs.y = desktop_.ToPixelsY(design.top);
    mcs.cx = r.right - r.left;
    mcs.cy = r.bottom - r.top;
    mcs.style = kStyle;
    mcs.lParam = reinterpret_cast<LPARAM>(this);
    SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs));
    if (!hwnd_) return false;
    CreateControls();
    return true;
}

void PageWindow::CreateControls() {
    std::optional<CtlId> optionGroup;  // the container of the options being created
    for (const ControlDesign* c : design_.CreationOrder(form_)) {
        HWND parent = c->container == CtlId::None ? hwnd_ : Control(c->container);
        ControlClass cls = ClassOf(*c);
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | cls.style | ((c->flags & kHidden) ? 0 : WS_VISIBLE);
        // The first option of a container starts its group; every other control starts one of its own.
        if (c->kind != Kind::Option || optionGroup != c->container) style |= WS_GROUP;
        optionGroup = c->kind == Kind::Option ? std::optional<CtlId>(c->container) : std::nullopt;
        const DWORD exStyle = c->kind == Kind::PictureBox ? WS_EX_CLIENTEDGE : 0;
        const PixelBox& box = layout_.Box(c->id);
        HWND hwnd = CreateWindowExA(exStyle, cls.className, c->caption, style, box.left, box.top, box.width,
                                    box.height, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(c->id))),
                                    desktop_.instance(), nullptr);
        if (!hwnd) continue;
        controls_[static_cast<std::size_t>(c->id)] = hwnd;
        SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(desktop_.font()), FALSE);
        if (c->flags & kSelected) SendMessageA(hwnd, BM_SETCHECK, BST_CHECKED, 0);
    }
    Fit();
    for (const ControlDesign* c : design_.CreationOrder(form_))
        if (c->kind == Kind::Frame && HoldsTabStops(*c)) UpdateControlParent(c->id);
}

void PageWindow::SetVisible(CtlId control, bool visible) {
    HWND hwnd = Control(control);
    if (!hwnd) return;
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    const ControlDesign* design = design_.Of(form_, control);
    if (design && design->container != CtlId::None) UpdateControlParent(design->container);
}

// The dialog manager looks for tab stops inside a frame of options only while
// the frame shows one: older dialog managers (Windows 98 and Me among them)
// can search without end in a WS_EX_CONTROLPARENT child that has no tab stop
// to give, as the browser page's frame would while it shows no option.
void PageWindow::UpdateControlParent(CtlId container) {
    HWND frame = Control(container);
    if (!frame) return;
    bool holdsVisible = false;
    for (const ControlDesign& c : design_)
        if (c.form == form_ && c.container == container && Control(c.id) &&
            (GetWindowLongPtrA(Control(c.id), GWL_STYLE) & WS_VISIBLE))
            holdsVisible = true;
    const LONG_PTR exStyle = GetWindowLongPtrA(frame, GWL_EXSTYLE);
    SetWindowLongPtrA(frame, GWL_EXSTYLE,
                      holdsVisible ? (exStyle | WS_EX_CONTROLPARENT) : (exStyle & ~LONG_PTR{WS_EX_CONTROLPARENT}));
}

HWND PageWindow::Control(CtlId control) const {
    const auto index = static_cast<std::size_t>(control);
    return index < controls_.size() ? controls_[index] : nullptr;
}

void PageWindow::Show(HWND client) {
    ShowWindow(hwnd_, SW_SHOW);
    SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd_), 0);
}

bool PageWindow::SetPicture(CtlId control, std::unique_ptr<Picture> picture) {
    HWND hwnd = Control(control);
    if (control != CtlId::Image1 || !hwnd) return false;
    image_ = std::move(picture);  // frees the picture shown before
    InvalidateRect(hwnd, nullptr, TRUE);
    return true;
}

void PageWindow::SetCaption(CtlId control, const std::string& text) {
    HWND hwnd = Control(control);
    if (!hwnd) return;
    SetWindowTextA(hwnd, text.c_str());
    const ControlDesign* design = design_.Of(form_, control);
    if (!design || !(design->flags & kAutoSize)) return;
    layout_.SetCaption(control, text);
    Fit();
}

// Every control where the page's layout puts it, the self-sizing labels
// measured in their font. A label reaches the edge of its room and wraps, as
// every label does, only where its text is wider than that room.
void PageWindow::Fit() {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, desktop_.font());
    layout_.Fit(LabelMeasure(dc));
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    for (const ControlDesign& c : design_) {
        HWND hwnd = c.form == form_ ? Control(c.id) : nullptr;
        if (!hwnd) continue;
        const PixelBox& box = layout_.Box(c.id);
        if (layout_.Moved(c.id))
            SetWindowPos(hwnd, nullptr, box.left, box.top, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (c.flags & kAutoSize) SetWindowTextA(hwnd, layout_.Shown(c.id).c_str());
    }
}

void PageWindow::SetToolTip(CtlId control, const std::string& text) {
    HWND hwnd = Control(control);
    if (!hwnd) return;
    if (!toolTip_) {
        if (!LoadCommonControls()) return;
        toolTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   desktop_.instance(), nullptr);
        if (!toolTip_) return;
    }
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;  // understood by every version of the common controls
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (text.empty()) return;  // an empty tip shows nothing
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void PageWindow::DrawImage(const DRAWITEMSTRUCT& item) {
    const RECT& r = item.rcItem;
    if (image_)
        image_->Stretch(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    else
        FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
}

void PageWindow::OnCommand(int id) {
    const CtlId control = ControlOfId(id);
    if (control != CtlId::None) events_.Click(form_, control);
}

void PageWindow::OnClose() {
    std::int16_t cancel = 0;
    events_.QueryUnload(form_, cancel, userClose_ ? kCloseByUser : kCloseByProgram);
    if (!cancel) DefMDIChildProcA(hwnd_, WM_CLOSE, 0, 0);
}

// Enter presses the focused push button, or else the default button.
LRESULT PageWindow::DefaultButton() {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus) && (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    return MAKELRESULT(IDOK, DC_HASDEFID);
}

// The keyboard's move to another control: an option reached with the arrow
// keys becomes the selected one, as in a dialog box.
void PageWindow::FocusNext(WPARAM wParam, LPARAM lParam) {
    HWND next = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
    if (!next) return;
    SetFocus(next);
    if ((SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) &&
        SendMessageA(next, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageA(next, BM_CLICK, 0, 0);
}

LRESULT CALLBACK PageWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto mdi = static_cast<MDICREATESTRUCTA*>(create->lpCreateParams);
        auto self = reinterpret_cast<PageWindow*>(mdi->lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto self = reinterpret_cast<PageWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefMDIChildProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->controls_.fill(nullptr);
        self->events_.Unloaded(self->form_);
        return DefMDIChildProcA(hwnd, msg, wParam, lParam);
    }
    return self->HandleMessage(msg, wParam, lParam);
}

LRESULT PageWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
        return 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:  // passed on by the frame: the picture drawn again in the screen's new colours
        if (HWND image = Control(CtlId::Image1); image && image_ && image_->palette()) {
            HDC dc = GetDC(image);
            const UINT changed = image_->Realize(dc, true);
            ReleaseDC(image, dc);
            InvalidateRect(image, nullptr, FALSE);
            return changed ? TRUE : FALSE;
        }
        return FALSE;
    case WM_DRAWITEM:
        DrawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case DM_GETDEFID:
        return DefaultButton();
    case WM_NEXTDLGCTL:
        FocusNext(wParam, lParam);
        return 0;
    case WM_MDIACTIVATE:
        if (reinterpret_cast<HWND>(wParam) == hwnd_) {  // losing the activation: remember the focus
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        }
        if (reinterpret_cast<HWND>(lParam) == hwnd_) events_.Activate(form_);
        break;
    case WM_SETFOCUS: {
        DefMDIChildProcA(hwnd_, msg, wParam, lParam);
        HWND focus = lastFocus_ && IsWindowVisible(lastFocus_) ? lastFocus_ : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        if (focus) SetFocus(focus);
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            userClose_ = true;
            LRESULT result = DefMDIChildProcA(hwnd_, msg, wParam, lParam);
            userClose_ = false;
            return result;
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    }
    return DefMDIChildProcA(hwnd_, msg, wParam, lParam);
}
