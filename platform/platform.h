// Every service the launcher takes from Windows and its window toolkit.
// The logic sees only this interface: Win32Platform is the real one,
// FakePlatform the test double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The three windows of the launcher.
enum class FormId { MDIQOBSetup, frmini, frmIE };

// Controls, by their design names; a name is unique within its window.
// None addresses the window itself (the frame's background picture).
enum class CtlId {
    None,
    Image1, Label1, IEFrame, OptIE, optDiscador, Frame1, cmdNext, cmdCancel,
    Picture2, Frame2, Label2, lblSistema, Label3, lblLinguagem, lblResultado,
    OpIE3, OpIE4, OpIE5, cmdBack,
};
constexpr std::size_t kCtlIdCount = static_cast<std::size_t>(CtlId::cmdBack) + 1;  // cmdBack stays the last

// Registry roots and access rights, with their Windows values.
constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kHkeyUsers = 0x80000003u;
constexpr std::uint32_t kKeyRead = 0x20019u;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;

using RegKey = std::uintptr_t;

// The OSVERSIONINFOA record, field for field.
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
constexpr std::uint32_t kOsVersionInfoSize = 148;

// Message box button codes and answers.
constexpr int vbOKOnly = 0;
constexpr int vbYesNoDefaultNo = 260;  // Yes and No (4), No the default (256)
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// Program start window style: maximised and activated.
constexpr int vbMaximizedFocus = 3;

// The help reference that comes with a failure.
struct HelpRef {
    std::string file;
    std::uint32_t context = 0;
};

// The slideshow timer takes 0 (stopped) to 65535 ms, like the classic timer
// control the kits were written for; other values are rejected.
constexpr long kTimerMaxInterval = 65535;
inline bool TimerAccepts(long ms) { return ms >= 0 && ms <= kTimerMaxInterval; }

class Platform {
public:
    virtual ~Platform() = default;

    // Initialization file: copies at most size-1 characters and a NUL,
    // returns the count copied (0: nothing read).
    virtual std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& def, char* buffer,
                                                  std::uint32_t size, const std::string& file) = 0;

    // Registry: the Win32 results (0 on success).
    virtual long RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                              RegKey& key) = 0;
    virtual long RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) = 0;
    virtual void RegCloseKey(RegKey key) = 0;

    // Fills the record; the caller sets its size field first.
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;

    // Loads a picture file into an image control, or with CtlId::None as the
    // frame's background. A file that is missing or not a picture is a
    // failure (false) and the target keeps its picture.
    virtual bool LoadPicture(FormId form, CtlId control, const std::string& path) = 0;

    // Modal message box; without a title the application title shows.
    // Returns the button pressed (vbYes, vbNo, 1 for OK), 0 if it could not be shown.
    virtual int MsgBox(const std::string& text, int buttons,
                       const std::optional<std::string>& title = std::nullopt,
                       const HelpRef& help = {}) = 0;

    // Starts a program with the command line unchanged; not waited for.
    // False when the start failed (then LastFailure tells its help reference).
    virtual bool Shell(const std::string& command, int windowStyle) = 0;
    virtual HelpRef LastFailure() = 0;

    virtual void Beep() = 0;
    virtual bool CurDir(std::string& path) = 0;  // may lack a final backslash
    virtual std::string AppPath() = 0;           // folder of the program file
    virtual void End() = 0;                      // ends the program at once, no close handler runs

    // Slideshow timer interval in ms; false when the timer rejects the value.
    virtual bool SetTimerInterval(long ms) = 0;

    // Windows. CreateForm makes a page window with the controls of its
    // design, hidden. ShowForm shows it non-modal and makes it the active page.
    virtual void CreateForm(FormId form) = 0;
    virtual void ShowForm(FormId form) = 0;
    virtual void HideForm(FormId form) = 0;
    // Outer size (borders and title bar included) in twips.
    virtual bool OuterSize(FormId form, float& width, float& height) = 0;
    // Position of a page within the frame's client area, in twips.
    virtual bool SetFormTop(FormId form, float twips) = 0;
    virtual bool SetFormLeft(FormId form, float twips) = 0;

    // Controls.
    virtual void SetCaption(FormId form, CtlId control, const std::string& text) = 0;
    virtual void SetToolTip(FormId form, CtlId control, const std::string& text) = 0;
    virtual void SetVisible(FormId form, CtlId control, bool visible) = 0;
    virtual bool IsChecked(FormId form, CtlId control) = 0;
};
