// Win32-style vocabulary of the platform layer: points, rectangles, colours, messages and their constants,
// and the window functions that work on our controls. Nothing here names the backend.
#pragma once

#include <cstdint>
#include <string>

class TWinControl;
class TControl;

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using BOOL = int;
constexpr BOOL FALSE = 0, TRUE = 1;
using TColor = int32_t;
using TCursor = int16_t;
using HWND = TWinControl*;  // a window handle is the windowed control itself

struct TPoint {
    int X = 0, Y = 0;
    TPoint() = default;
    TPoint(int x, int y) : X(x), Y(y) {}
    bool operator==(const TPoint&) const = default;
};

// Right and Bottom are exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    TRect() = default;
    TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    bool operator==(const TRect&) const = default;
};

struct TSize {
    int cx = 0, cy = 0;
};

inline TRect Rect(int l, int t, int r, int b) { return TRect(l, t, r, b); }
inline TRect Bounds(int l, int t, int w, int h) { return TRect(l, t, l + w, t + h); }
inline TPoint Point(int x, int y) { return TPoint(x, y); }
inline bool PtInRect(const TRect& r, const TPoint& p) { return r.Contains(p); }
void InflateRect(TRect& r, int dx, int dy);
void OffsetRect(TRect& r, int dx, int dy);
// False (and an empty result) when the rectangles do not overlap.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
bool IsRectEmpty(const TRect& r);
// a * b / c with the product in 64 bits, rounded half away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

inline WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>(static_cast<uint32_t>((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)));
}
// Signed 16-bit client coordinates packed in a mouse message.
inline int GET_X_LPARAM(LPARAM l) { return static_cast<int16_t>(l & 0xFFFF); }
inline int GET_Y_LPARAM(LPARAM l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

// ---- colours: RGB with red in the low byte; system colours are 0xFF000000 + index ----
constexpr TColor RGB(int r, int g, int b) { return (r & 255) | ((g & 255) << 8) | ((b & 255) << 16); }
constexpr int GetRValue(TColor c) { return c & 255; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 255; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 255; }

enum : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3, COLOR_MENU = 4,
    COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8, COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12, COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23, COLOR_INFOBK = 24, COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28, COLOR_ENDCOLORS = 28
};
// The classic scheme; the widget Parts' pixel rules are written against it.
TColor GetSysColor(int index);

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080, clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6,
                 clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
// System colours resolved to RGB; others keep their low 24 bits.
TColor ColorToRGB(TColor c);

// ---- messages ----
enum : UINT {
    WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003, WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A, WM_SETREDRAW = 0x000B, WM_SETTEXT = 0x000C,
    WM_GETTEXT = 0x000D, WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_ERASEBKGND = 0x0014, WM_SHOWWINDOW = 0x0018,
    WM_CANCELMODE = 0x001F, WM_SETCURSOR = 0x0020, WM_GETDLGCODE = 0x0087, WM_NCCALCSIZE = 0x0083,
    WM_NCHITTEST = 0x0084, WM_NCPAINT = 0x0085, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101, WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104, WM_SYSKEYUP = 0x0105, WM_TIMER = 0x0113, WM_HSCROLL = 0x0114, WM_VSCROLL = 0x0115,
    WM_CONTEXTMENU = 0x007B, WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204, WM_RBUTTONUP = 0x0205, WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208, WM_MBUTTONDBLCLK = 0x0209, WM_MOUSEWHEEL = 0x020A,
    WM_CAPTURECHANGED = 0x0215, WM_CUT = 0x0300, WM_COPY = 0x0301, WM_PASTE = 0x0302, WM_CLEAR = 0x0303, WM_MOUSELEAVE = 0x02A3, WM_USER = 0x0400,

    CM_BASE = 0xB000,
    CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1, CM_DIALOGKEY = CM_BASE + 5, CM_DIALOGCHAR = CM_BASE + 6,
    CM_FOCUSCHANGED = CM_BASE + 7, CM_PARENTFONTCHANGED = CM_BASE + 8, CM_PARENTCOLORCHANGED = CM_BASE + 9,
    CM_HITTEST = CM_BASE + 10, CM_VISIBLECHANGED = CM_BASE + 11, CM_ENABLEDCHANGED = CM_BASE + 12,
    CM_COLORCHANGED = CM_BASE + 13, CM_FONTCHANGED = CM_BASE + 14, CM_CURSORCHANGED = CM_BASE + 15,
    CM_CTL3DCHANGED = CM_BASE + 16, CM_PARENTCTL3DCHANGED = CM_BASE + 17, CM_TEXTCHANGED = CM_BASE + 18,
    CM_MOUSEENTER = CM_BASE + 19, CM_MOUSELEAVE = CM_BASE + 20, CM_BUTTONPRESSED = CM_BASE + 24,
    CM_SHOWHINTCHANGED = CM_BASE + 25,
    CM_PARENTSHOWHINTCHANGED = CM_BASE + 26, CM_HINTSHOW = CM_BASE + 48, CM_SYSCOLORCHANGE = CM_BASE + 51,
    CM_BIDIMODECHANGED = CM_BASE + 52,
    CM_CONTROLCHANGE = CM_BASE + 54, CM_CHILDKEY = CM_BASE + 57, CM_MOUSEWHEEL = CM_BASE + 67,
    CM_HINTACTION = CM_BASE + 68,
};

// Message record: the handler sets Result.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
    int XPos() const { return GET_X_LPARAM(LParam); }
    int YPos() const { return GET_Y_LPARAM(LParam); }
};

// Mouse-key state in wParam of mouse messages.
enum : WPARAM { MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10 };
// Hit-test codes.
enum : int { HTERROR = -2, HTTRANSPARENT = -1, HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTHSCROLL = 6,
             HTVSCROLL = 7, HTBORDER = 18, HTBOTTOMRIGHT = 17 };
// Scroll bars and scroll codes.
enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : int { SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2, SB_PAGELEFT = 2,
             SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6,
             SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8 };
enum : UINT { SIF_RANGE = 1, SIF_PAGE = 2, SIF_POS = 4, SIF_DISABLENOSCROLL = 8, SIF_TRACKPOS = 16,
              SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS };
struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO), fMask = 0;
    int nMin = 0, nMax = 0;
    UINT nPage = 0;
    int nPos = 0, nTrackPos = 0;
};
// Virtual keys.
enum : WORD { VK_LBUTTON = 1, VK_RBUTTON = 2, VK_MBUTTON = 4, VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
              VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
              VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46,
              VK_APPS = 93, VK_F1 = 112, VK_F4 = 115, VK_F10 = 121 };
// Dialog codes answered to WM_GETDLGCODE.
enum : LRESULT { DLGC_WANTARROWS = 1, DLGC_WANTTAB = 2, DLGC_WANTALLKEYS = 4, DLGC_WANTCHARS = 0x80 };
// Window styles that the controls' CreateParams use.
enum : DWORD { WS_BORDER = 0x00800000, WS_VSCROLL = 0x00200000, WS_HSCROLL = 0x00100000, WS_TABSTOP = 0x00010000,
               WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_CLIPCHILDREN = 0x02000000,
               WS_EX_CLIENTEDGE = 0x00000200, WS_EX_STATICEDGE = 0x00020000, WS_EX_TOPMOST = 0x00000008 };
// Size types of WM_SIZE.
enum : WPARAM { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CXBORDER = 5,
             SM_CYBORDER = 6, SM_CXEDGE = 45, SM_CYEDGE = 46, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37 };
int GetSystemMetrics(int index);

// ---- window functions on our controls ----
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l);
// The high bit (0x8000) while a mouse button (VK_LBUTTON ...) is held or, as of the last key, a shift key
// (VK_SHIFT, VK_CONTROL, VK_MENU).
using SHORT = int16_t;
SHORT GetKeyState(int vk);
// Queued: delivered by the message loop, later; dropped when the window is gone by then.
BOOL PostMessage(HWND wnd, UINT msg, WPARAM w, LPARAM l);
// Window timers deliver WM_TIMER with wParam = id; setting an existing id restarts it.
UINT SetTimer(HWND wnd, UINT id, UINT elapseMs);
BOOL KillTimer(HWND wnd, UINT id);
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();
BOOL InvalidateRect(HWND wnd, const TRect* r, BOOL erase);
BOOL ValidateRect(HWND wnd, const TRect* r);
BOOL UpdateWindow(HWND wnd);
HWND SetCapture(HWND wnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND wnd);
HWND GetFocus();
BOOL GetCursorPos(TPoint& p);
BOOL SetCursorPos(int x, int y);
BOOL ScreenToClient(HWND wnd, TPoint& p);
BOOL ClientToScreen(HWND wnd, TPoint& p);
BOOL GetClientRect(HWND wnd, TRect& r);
BOOL GetWindowRect(HWND wnd, TRect& r);
BOOL IsWindowVisible(HWND wnd);
BOOL IsWindowEnabled(HWND wnd);
BOOL EnableWindow(HWND wnd, BOOL enable);
HWND WindowFromPoint(const TPoint& screen);

// Monitors are the backend's screens; a handle is the screen's number + 1 (0: none).
using HMONITOR = intptr_t;
enum : DWORD { MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1, MONITOR_DEFAULTTONEAREST = 2 };
enum : DWORD { MONITORINFOF_PRIMARY = 1 };
struct MONITORINFO {
    DWORD cbSize = 40;  // the only size answered
    TRect rcMonitor, rcWork;
    DWORD dwFlags = 0;
};
HMONITOR MonitorFromPoint(const TPoint& screen, DWORD flags);
// By the window's screen rectangle: the monitor it overlaps most.
HMONITOR MonitorFromWindow(HWND wnd, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO& info);
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& si, BOOL redraw);
BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO& si);
int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND wnd, int bar);
BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL ShowScrollBar(HWND wnd, int bar, BOOL show);
enum : UINT { SW_SCROLLCHILDREN = 1, SW_INVALIDATE = 2, SW_ERASE = 4 };
// Moves the client pixels of the back surface and invalidates what was uncovered.
int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, void* rgnUpdate,
                   TRect* update, UINT flags);

// Message boxes: MB_* flags as in Win32; the answer is an ID*.
enum : UINT { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNOCANCEL = 3, MB_YESNO = 4, MB_ICONHAND = 0x10,
              MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
              MB_ICONEXCLAMATION = 0x30, MB_ICONINFORMATION = 0x40, MB_ICONASTERISK = 0x40 };
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };
// Text and caption are GBK.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);
void MessageBeep(UINT type);
// Beeps so far in this process.
int MessageBeepCount();
