#include "platform/ui/Forms.h"

#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QAbstractButton>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <QPixmap>
#include <QPointer>
#include <QLabel>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>
#include <QToolTip>
#include <clocale>

#include "platform/ui/Backend.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"

HINSTANCE HInstance = nullptr;
TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);

// ---------------------------------------------------------------- cursors
class TCursorData {
public:
    Qt::CursorShape shape = Qt::ArrowCursor;
    std::vector<std::string> rows;
    int hotX = 0, hotY = 0;
    int number = 0;  // the screen table entry it was registered under, when known
    QCursor ToQCursor() const {
        if (rows.empty()) return QCursor(shape);
        int w = int(rows[0].size()), h = int(rows.size());
        QImage img(w, h, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w && x < int(rows[size_t(y)].size()); ++x) {
                char c = rows[size_t(y)][size_t(x)];
                if (c == '#') img.setPixel(x, y, 0xFF000000u);
                if (c == '.') img.setPixel(x, y, 0xFFFFFFFFu);
            }
        return QCursor(QPixmap::fromImage(img), hotX, hotY);
    }
};

namespace {
HCURSOR g_current = nullptr;
TMessageBoxHook g_boxHook;
TModalHook g_modalHook;

std::map<std::string, std::unique_ptr<TCursorData>>& CursorResources() {
    static std::map<std::string, std::unique_ptr<TCursorData>> r;
    return r;
}

HCURSOR Builtin(Qt::CursorShape s) {
    static std::map<int, std::unique_ptr<TCursorData>> cache;
    auto& p = cache[int(s)];
    if (!p) {
        p = std::make_unique<TCursorData>();
        p->shape = s;
    }
    return p.get();
}
}  // namespace

HCURSOR CreateCursorFromText(const std::vector<std::string>& rows, int hotX, int hotY) {
    auto* c = new TCursorData;
    c->rows = rows;
    c->hotX = hotX;
    c->hotY = hotY;
    return c;
}

void RegisterCursorResource(const std::string& name, const std::vector<std::string>& rows, int hotX, int hotY) {
    auto c = std::make_unique<TCursorData>();
    c->rows = rows;
    c->hotX = hotX;
    c->hotY = hotY;
    CursorResources()[UpperCase(name)] = std::move(c);
}

HCURSOR LoadCursor(HINSTANCE, const std::string& name) {
    auto it = CursorResources().find(UpperCase(name));
    return it == CursorResources().end() ? nullptr : it->second.get();
}

HCURSOR GetCursor() { return g_current; }
HCURSOR SetCursor(HCURSOR c) {
    HCURSOR old = g_current;
    g_current = c;
    return old;
}

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    const std::pair<int, Qt::CursorShape> table[] = {
        {crArrow, Qt::ArrowCursor},     {crCross, Qt::CrossCursor},       {crIBeam, Qt::IBeamCursor},
        {crSizeNESW, Qt::SizeBDiagCursor}, {crSizeNS, Qt::SizeVerCursor}, {crSizeNWSE, Qt::SizeFDiagCursor},
        {crSizeWE, Qt::SizeHorCursor},  {crUpArrow, Qt::UpArrowCursor},   {crHourGlass, Qt::WaitCursor},
        {crDrag, Qt::DragCopyCursor},   {crNoDrop, Qt::ForbiddenCursor},  {crHSplit, Qt::SplitHCursor},
        {crVSplit, Qt::SplitVCursor},   {crMultiDrag, Qt::DragCopyCursor}, {crSQLWait, Qt::WaitCursor},
        {crNo, Qt::ForbiddenCursor},    {crAppStart, Qt::BusyCursor},     {crHelp, Qt::WhatsThisCursor},
        {crHandPoint, Qt::PointingHandCursor}, {crSizeAll, Qt::SizeAllCursor}, {crNone, Qt::BlankCursor},
    };
    for (auto& [n, s] : table) cursors_[n] = Builtin(s);
    cursors_[crDefault] = Builtin(Qt::ArrowCursor);
}

TScreen::~TScreen() = default;

void TScreen::SetCursor(TCursor c) {
    if (c == cursor_) return;
    cursor_ = c;
    // The new cursor shows at once over the control under the mouse.
    if (TControl* m = Backend::MouseControl()) {
        TWinControl* w = dynamic_cast<TWinControl*>(m);
        if (!w) w = m->Parent();
        if (w) w->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    } else if (c != crDefault) {
        activeNumber_ = c;
        ::SetCursor(Cursors(c));
    }
}

HCURSOR TScreen::Cursors(int index) const {
    auto it = cursors_.find(index);
    return it == cursors_.end() ? cursors_.at(crDefault) : it->second;
}

void TScreen::SetCursors(int index, HCURSOR c) {
    if (!c) {
        cursors_.erase(index);
        return;
    }
    cursors_[index] = c;
}

void TScreen::ApplyCursor(TControl* over, TCursor number) {
    activeNumber_ = number;
    HCURSOR c = Cursors(number);
    ::SetCursor(c);
    if (over && over->Widget() && QCoreApplication::instance()) over->Widget()->setCursor(c->ToQCursor());
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
    QScreen* s = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                                : nullptr;
    if (!s) return TRect(0, 0, Width(), Height());
    return FromQRect(s->availableGeometry());
}

TWinControl* TScreen::ActiveControl() const { return Backend::Focused(); }

void TScreen::AddForm(TCustomForm* f) { forms_.push_back(f); }
void TScreen::BringFormToTop(TCustomForm* f) {
    auto it = std::find(forms_.begin(), forms_.end(), f);
    if (it == forms_.end()) return;
    forms_.erase(it);
    forms_.push_back(f);
}

bool IsWindowCovered(HWND wnd) {
    if (!wnd) return false;
    TRect r;
    GetWindowRect(wnd, r);
    TRect wa = Screen->WorkAreaRect(), in;
    IntersectRect(in, r, wa);
    if (!(in == r)) return true;
    TCustomForm* own = GetParentForm(wnd);
    bool above = false;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* f = Screen->Forms(i);
        if (f == own) {
            above = true;
            continue;
        }
        if (!f->Showing()) continue;
        if (!above && f->FormStyle() != fsStayOnTop) continue;
        TRect fr;
        GetWindowRect(f, fr);
        TRect x;
        if (IntersectRect(x, r, fr)) return true;
    }
    return false;
}
void TScreen::RemoveForm(TCustomForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    if (activeForm_ == f) activeForm_ = nullptr;
}

// ---------------------------------------------------------------- forms
namespace {
// Without a window manager nothing acts on the maximised state: the window covers the work area by itself
// (there is no frame to restore it by either).
void ShowMaximised(TCustomForm* f) {
    if (!Backend::WindowStatesHonoured()) {
        const TRect wa = Screen->WorkAreaRect();
        f->SetBounds(wa.Left, wa.Top, wa.Width(), wa.Height());
    }
    f->Widget()->showMaximized();
}

const TEnumInfo FormStyleIdents{{"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"}};
const TEnumInfo PositionIdents{{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};
const TEnumInfo WindowStateIdents{{"wsNormal", "wsMinimized", "wsMaximized"}};
const TEnumInfo BorderIconIdents{{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
const TEnumInfo FormBorderIdents{{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
}  // namespace

const TClassInfo& TCustomForm::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TCustomForm", &TWinControl::StaticClass(), {}, {}, {}};
        c.props = {
            OrdProp<TCustomForm, TFormStyle>("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle, fsNormal,
                                             &FormStyleIdents),
            OrdProp<TCustomForm, TBorderStyle>("BorderStyle", &TCustomForm::FormBorderStyle,
                                               &TCustomForm::SetFormBorderStyle, bsSizeable, &FormBorderIdents),
            OrdProp<TCustomForm, TPosition>("Position", &TCustomForm::Position, &TCustomForm::SetPosition,
                                            poDesigned, &PositionIdents),
            SetProp<TCustomForm, TBorderIcons>("BorderIcons", &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
                                               &BorderIconIdents, biSystemMenu | biMinimize | biMaximize),
            BoolProp<TCustomForm>("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview, 0),
            OrdProp<TCustomForm, TWindowState>("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState,
                                               wsNormal, &WindowStateIdents),
            OrdProp<TCustomForm, int>("PixelsPerInch", &TCustomForm::DesignPixelsPerInch,
                                      &TCustomForm::SetDesignPixelsPerInch),
            OrdProp<TCustomForm, int>("TextHeight", &TCustomForm::DesignTextHeight, &TCustomForm::SetDesignTextHeight),
            BoolProp<TCustomForm>("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder),
            BoolProp<TCustomForm>("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled, 1),
            BoolProp<TCustomForm>("AutoScroll", &TCustomForm::AutoScroll, &TCustomForm::SetAutoScroll, 1),
            RefProp<TCustomForm, TWinControl>("ActiveControl", &TCustomForm::ActiveControl,
                                              &TCustomForm::SetActiveControl),
            EventProp("OnCreate", &TCustomForm::OnCreate),
            EventProp("OnDestroy", &TCustomForm::OnDestroy),
            EventProp("OnShow", &TCustomForm::OnShow),
            EventProp("OnHide", &TCustomForm::OnHide),
            EventProp("OnActivate", &TCustomForm::OnActivate),
            EventProp("OnDeactivate", &TCustomForm::OnDeactivate),
            EventProp("OnPaint", &TCustomForm::OnPaint),
            EventProp("OnClose", &TCustomForm::OnClose),
            EventProp("OnCloseQuery", &TCustomForm::OnCloseQuery),
        };
        return c;
    }();
    return ci;
}

QM_CLASS_RECORD(TForm, TCustomForm)

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    Application->Initialize();
    widget_ = std::make_unique<TControlWidget>(this, true);
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentColor(false);
    Font()->SetName("MS Sans Serif");
    SetParentFont(false);
    SetBounds(0, 0, 320, 240);
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    if (created_ && OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            Backend::HandleException();
        }
    }
    Screen->RemoveForm(this);
    if (Application->MainForm() == this) Application->SetMainForm(nullptr);
}

void TCustomForm::AfterConstruction() {
    created_ = true;
    if (OnCreate) OnCreate(this);
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Style &= ~DWORD(WS_CHILD);
    if (formStyle_ == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
}

void TCustomForm::SetFormStyle(TFormStyle s) {
    if (s == formStyle_) return;
    formStyle_ = s;
    if (widget_) {
        bool vis = widget_->isVisible();
        widget_->setWindowFlag(Qt::WindowStaysOnTopHint, s == fsStayOnTop);
        if (vis) widget_->show();
    }
}

void TCustomForm::Show() {
    SetVisible(true);
    if (widget_ && widget_->isHidden() == false) {
        widget_->raise();
    }
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_VISIBLECHANGED:
        if (Visible()) {
            HandleNeeded();
            DoShow();
            if (position_ == poScreenCenter || position_ == poDesktopCenter || position_ == poMainFormCenter ||
                position_ == poOwnerFormCenter) {
                TRect wa = Screen->WorkAreaRect();
                SetBounds(wa.Left + (wa.Width() - Width()) / 2, wa.Top + (wa.Height() - Height()) / 2, Width(),
                          Height());
            }
            widget_->setWindowTitle(FromGbk(Text()));
            ApplyWindowFrame();
            if (windowState_ == wsMaximized)
                ShowMaximised(this);
            else
                widget_->show();
            Screen->BringFormToTop(this);
            Screen->SetActiveForm(this);
            InvalidateFrame();
            InvalidateClient(nullptr, true);
            if (!activeControl_) {
                if (TWinControl* c = FindNextControl(nullptr, true, true, false)) activeControl_ = c;
            }
            if (activeControl_ && activeControl_->CanFocus()) Backend::SetFocused(activeControl_);
            if (OnActivate) OnActivate(this);
        } else {
            widget_->hide();
            DoHide();
            if (Screen->ActiveForm() == this) Screen->SetActiveForm(nullptr);
        }
        return;
    case CM_TEXTCHANGED:
        if (widget_) widget_->setWindowTitle(FromGbk(Text()));
        return;
    case CM_DIALOGKEY:
        // Tab moves the focus; the controls see the key first.
        if (m.WParam == VK_TAB && !(m.LParam & ssAlt) && !(m.LParam & ssCtrl)) {
            SelectNext(Backend::Focused(), !(m.LParam & ssShift), true);
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TWinControl::Dispatch(m);
}

void TCustomForm::ApplyWindowFrame() {
    bool sizeable = formBorder_ == bsSizeable || formBorder_ == bsSizeToolWin;
    Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (formBorder_ == bsNone) f = Qt::Window | Qt::FramelessWindowHint;
    if (formBorder_ == bsToolWindow || formBorder_ == bsSizeToolWin) f |= Qt::Tool;
    if (borderIcons_ & biSystemMenu) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((borderIcons_ & biSystemMenu) && (borderIcons_ & biMinimize) && formBorder_ != bsDialog)
        f |= Qt::WindowMinimizeButtonHint;
    if ((borderIcons_ & biSystemMenu) && (borderIcons_ & biMaximize) && sizeable) f |= Qt::WindowMaximizeButtonHint;
    if (formStyle_ == fsStayOnTop) f |= Qt::WindowStaysOnTopHint;
    if (widget_->windowFlags() != f) widget_->setWindowFlags(f);
    if (sizeable) {
        widget_->setMinimumSize(0, 0);
        widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        widget_->setFixedSize(std::max(Width(), 1), std::max(Height(), 1));
    }
}

void TCustomForm::BoundsChanged(bool moved, bool sized) {
    // A fixed frame follows sizes set by the program.
    if (sized && widget_ && widget_->minimumSize() == widget_->maximumSize())
        widget_->setFixedSize(std::max(Width(), 1), std::max(Height(), 1));
    TWinControl::BoundsChanged(moved, sized);
}

void TCustomForm::PaintWindow(HDC) {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::SetActiveControl(TWinControl* c) {
    if (c == activeControl_) return;
    activeControl_ = c;
    if (c && Visible() && c->CanFocus()) Backend::SetFocused(c);
}

void TCustomForm::FocusControl(TWinControl* c) { SetActiveControl(c); }

void TCustomForm::SetFocusedControl(TWinControl* c) {
    activeControl_ = c;
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(c));
}

void TCustomForm::SetWindowState(TWindowState s) {
    windowState_ = s;
    if (!widget_ || !Visible()) return;
    if (s == wsMaximized)
        ShowMaximised(this);
    else if (s == wsMinimized)
        widget_->showMinimized();
    else
        widget_->showNormal();
}

bool TCustomForm::Active() const { return Screen->ActiveForm() == this; }

bool TCustomForm::CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        Hide();
    } else if (action == caHide || action == caMinimize) {
        Hide();
    } else if (action == caFree) {
        Hide();
        // Freed later, when no handler of this form is running any more.
        TCustomForm* self = this;
        QTimer::singleShot(0, [self] {
            if (Backend::Alive(self)) delete self;
        });
    }
}

int TCustomForm::ShowModal() {
    if (modal_ || Visible()) throw EInvalidOperation("Cannot make a visible window modal");
    modal_ = true;
    modalResult_ = mrNone;
    if (widget_) widget_->setWindowModality(Qt::ApplicationModal);
    TWinControl* previous = Backend::Focused();
    Show();
    if (g_modalHook) {
        try {
            g_modalHook(this);
        } catch (...) {
            Backend::HandleException();
        }
    }
    for (;;) {
        if (modalResult_ != mrNone) {
            // A close request may still be refused.
            modal_ = false;
            bool can = CloseQuery();
            TCloseAction action = caHide;
            if (can) DoClose(action);
            modal_ = true;
            if (can && action != caNone) break;
            modalResult_ = mrNone;
        }
        if (Application->Terminated()) break;
        Application->HandleMessage();
    }
    int result = modalResult_;
    Hide();
    if (widget_) widget_->setWindowModality(Qt::NonModal);
    modal_ = false;
    if (previous && Backend::Alive(previous) && previous->CanFocus()) Backend::SetFocused(previous);
    return result;
}

// ---------------------------------------------------------------- application
TApplication::TApplication(TComponent* owner) : TComponent(owner) {}
TApplication::~TApplication() = default;

void TApplication::Initialize() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "quillmark";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // The backend took the C locale from the environment; number text must not follow it.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setQuitOnLastWindowClosed(false);
    // The library's own texts (the file dialog's columns, menus and tips) in the program's language, where the
    // system has them; the texts the program sets itself are Chinese in any case.
    const QLocale chineseLocale(QLocale::Chinese, QLocale::China);
    static QTranslator chinese;
    if (chinese.load(chineseLocale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&chinese);
    // What the library words by the default locale (the names of file types) too. The C locale stays as it is.
    QLocale::setDefault(chineseLocale);
}

void EnsureGuiApplication() {
    if (!QCoreApplication::instance()) Application->Initialize();
}

void TApplication::Run() {
    Initialize();
    if (mainForm_) mainForm_->Show();
    while (!terminated_ && mainForm_) HandleMessage();
}

void TApplication::ProcessMessages() {
    if (!QCoreApplication::instance()) return;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    Backend::FlushPaints();
}

void TApplication::HandleMessage() {
    if (!QCoreApplication::instance()) return;
    // Sleeps in the event wait until input, a posted message or a timer arrives. With a time limit the backend
    // ignores the wait and returns at once, and the loop would keep a core busy.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    Backend::FlushPaints();
    if (OnIdle) {
        bool done = true;
        try {
            OnIdle(this, done);
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate() { terminated_ = true; }

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr p = std::current_exception();
    if (!p) return;
    try {
        std::rethrow_exception(p);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (...) {
        Exception e("Unknown exception");
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    }
}

void TApplication::ShowException(const std::exception& e) {
    std::string msg = e.what();
    // A sentence gets its full stop, unless it already ends in a mark of its own ("！", "。", ")" ...).
    if (!msg.empty() && !FromGbk(msg).back().isPunct()) msg += ".";
    MessageBox(msg, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
    return ::MessageBox(mainForm_, text, caption, flags);
}

namespace {
// Offers m to c and, depth first, to its visible children; true once one took it.
bool OfferToVisible(TControl* c, TMessage& m) {
    if (!c->Visible()) return false;
    c->WndProc(m);
    if (m.Result != 0) return true;
    if (auto* w = dynamic_cast<TWinControl*>(c))
        for (int i = 0; i < w->ControlCount(); ++i)
            if (OfferToVisible(w->Controls(i), m)) return true;
    return false;
}
}  // namespace

void TApplication::SetHint(const std::string& h) {
    if (h == hint_) return;
    hint_ = h;
    if (OnHint) {
        OnHint(this);
        return;
    }
    // Without a handler the hint goes to the first control that shows hints (a status pane with AutoHint):
    // the active form's, then the other showing forms', top first.
    TMessage m{CM_HINTACTION, 0, reinterpret_cast<LPARAM>(&hint_), 0};
    std::vector<TCustomForm*> order;
    if (Screen->ActiveForm()) order.push_back(Screen->ActiveForm());
    for (int i = Screen->FormCount() - 1; i >= 0; --i)
        if (Screen->Forms(i) != Screen->ActiveForm()) order.push_back(Screen->Forms(i));
    for (TCustomForm* f : order)
        if (f->Showing() && OfferToVisible(f, m)) return;
}

void TApplication::CancelHint() {
    ++hintCancels_;
    if (QCoreApplication::instance() && QGuiApplication::platformName() != QLatin1String("offscreen"))
        QToolTip::hideText();
}

std::string GetShortHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}
std::string GetLongHint(const std::string& hint) {
    size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

void SetMessageBoxHook(TMessageBoxHook hook) { g_boxHook = std::move(hook); }
void SetModalHook(TModalHook hook) { g_modalHook = std::move(hook); }

namespace {

constexpr int kMessageBoxLines = 25;

// Widest text line of a message box: the box stays within about two thirds of the screen, and within
// the width beyond which the backend's box wraps anywhere by itself. The icon and margins take the rest.
int MessageTextWidth() {
    const int sw = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry().width()
                                                     : 1024;
    const int hardLimit = sw > 1024 ? std::min(sw - 480, 1000) : sw;
    return std::max(120, std::min(sw * 2 / 3, hardLimit) - 80);
}

struct FittedText {
    std::string text;  // the text with only the lines the box shows (what the box hook sees)
    QString shown;     // the same broken into the lines of the box
    int width = 0;     // widest line when the text was broken into lines here, else 0
};

// A text too wide for the box is broken into lines (at word boundaries where it can be), and a text of
// more than kMessageBoxLines lines ends with "……"; any other text is shown as it is.
FittedText FitMessageText(const std::string& text) {
    EnsureGuiApplication();
    const QString s = FromGbk(text);
    const QFont font = QApplication::font("QMessageBox");
    const int maxWidth = MessageTextWidth();
    // No character is narrower than a pixel: more than this never shows in the lines there are.
    const qsizetype maxChars = qsizetype(kMessageBoxLines) * maxWidth;
    QStringList lines, logicalKept;  // the box's lines; the text's lines as far as they show
    int widest = 0;
    bool broken = false, cut = false;
    QString all = s;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (QString logical : all.split(QLatin1Char('\n'))) {
        if (lines.size() == kMessageBoxLines) {
            cut = true;
            break;
        }
        if (logical.size() > maxChars) {
            logical.truncate(maxChars);
            cut = true;
        }
        QTextLayout layout(logical, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        QString kept;
        int n = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine(), ++n) {
            if (lines.size() == kMessageBoxLines) {
                cut = true;
                break;
            }
            line.setLineWidth(maxWidth);
            lines << logical.mid(line.textStart(), line.textLength());
            kept += lines.back();
            widest = std::max(widest, int(std::ceil(line.naturalTextWidth())));
        }
        layout.endLayout();
        if (n == 0 && lines.size() < kMessageBoxLines) lines << QString();
        logicalKept << kept;
        broken = broken || n > 1;
    }
    if (!broken && !cut) return {text, s, 0};
    if (cut) {
        // The last line that shows gives way to the mark of the rest.
        const QString more(2, QChar(0x2026));  // "……"
        const qsizetype last = lines.back().size();
        lines.back() = more;
        QString& tail = logicalKept.back();
        tail.chop(std::min(last, tail.size()));
        if (tail.isEmpty()) logicalKept.removeLast();
        logicalKept << more;
    }
    return {cut ? ToGbk(logicalKept.join(QLatin1String("\r\n"))) : text, lines.join(QLatin1Char('\n')), widest};
}

}  // namespace

namespace Backend {
TCustomForm* DialogOwner() {
    if (TCustomForm* a = Screen->ActiveForm(); a && a->Showing()) return a;
    for (int i = Screen->FormCount() - 1; i >= 0; --i)
        if (Screen->Forms(i)->Showing()) return Screen->Forms(i);
    return nullptr;
}

void OwnDialog(QWidget* dialog) {
    TCustomForm* owner = DialogOwner();
    bool onTop = false;
    for (int i = 0; i < Screen->FormCount(); ++i)
        onTop = onTop || (Screen->Forms(i)->Showing() && Screen->Forms(i)->FormStyle() == fsStayOnTop);
    // A transient of the form in use, so that the window manager keeps it above that form and centres it there;
    // above the forms that stay on top as well, or one of them would hide it.
    Qt::WindowFlags f = dialog->windowFlags() | Qt::Dialog;
    if (onTop) f |= Qt::WindowStaysOnTopHint;
    dialog->setParent(owner && owner->Widget() ? owner->Widget() : nullptr, f);
}

int RunOwnedDialog(QDialog* dialog, bool& freed) {
    QPointer<QDialog> alive(dialog);
    QPointer<QWidget> owner(dialog->parentWidget());
    const int answer = dialog->exec();
    freed = !alive;
    // The owner takes the keyboard back: without a window manager it would go to the window under the mouse.
    if (owner && owner->isVisible()) owner->activateWindow();
    return answer;
}

std::unique_ptr<QMessageBox> NewMessageBox(const std::string& text, const std::string& caption, UINT flags) {
    const FittedText fitted = FitMessageText(text);
    auto box = std::make_unique<QMessageBox>();
    OwnDialog(box.get());
    box->setWindowTitle(FromGbk(caption));
    // The text is the program's or a file's, never markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(fitted.shown);
    // Lines broken here keep their width: the box would otherwise break them again, narrower.
    if (fitted.width > 0)
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
            label->setMinimumWidth(fitted.width + 1);
    UINT icon = flags & 0xF0;
    box->setIcon(icon == MB_ICONSTOP         ? QMessageBox::Critical
                 : icon == MB_ICONQUESTION   ? QMessageBox::Question
                 : icon == MB_ICONWARNING    ? QMessageBox::Warning
                 : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                              : QMessageBox::NoIcon);
    const UINT buttons = flags & 0xF;
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    if (buttons == MB_OKCANCEL) b = QMessageBox::Ok | QMessageBox::Cancel;
    if (buttons == MB_YESNO) b = QMessageBox::Yes | QMessageBox::No;
    if (buttons == MB_YESNOCANCEL) b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    box->setStandardButtons(b);
    // The buttons speak the program's language whatever the desktop's is.
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是"}, {QMessageBox::No, "否"}};
    for (const auto& [which, caption] : captions)
        if (QAbstractButton* button = box->button(which)) button->setText(FromGbk(caption));
    return box;
}
}  // namespace Backend

int MessageBox(HWND, const std::string& text, const std::string& caption, UINT flags) {
    if (g_boxHook) return g_boxHook(FitMessageText(text).text, caption, flags);
    Application->Initialize();
    UINT buttons = flags & 0xF;
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Nobody can answer: the box gives the answer that changes nothing.
        return buttons == MB_YESNO ? IDNO : buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL ? IDCANCEL : IDOK;
    }
    std::unique_ptr<QMessageBox> box = Backend::NewMessageBox(text, caption, flags);
    bool freed = false;
    const int answer = Backend::RunOwnedDialog(box.get(), freed);
    if (freed) (void)box.release();
    switch (answer) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDCANCEL;
    }
}

namespace {
int g_beeps = 0;
}
// No sound here: the count lets tests see that a refusal was signalled.
void MessageBeep(UINT) { ++g_beeps; }
int MessageBeepCount() { return g_beeps; }

// ---- monitors ----

namespace {
QList<QScreen*> Screens() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::screens() : QList<QScreen*>();
}

HMONITOR Fallback(const QList<QScreen*>& screens, DWORD flags, const TRect& r) {
    if (screens.isEmpty() || flags == MONITOR_DEFAULTTONULL) return 0;
    if (flags == MONITOR_DEFAULTTOPRIMARY) return screens.indexOf(QGuiApplication::primaryScreen()) + 1;
    // Nearest: the least distance from the rectangle to a screen.
    int64_t best = INT64_MAX;
    HMONITOR m = 0;
    for (int i = 0; i < screens.size(); ++i) {
        TRect g = FromQRect(screens[i]->geometry());
        int64_t dx = std::max({0, g.Left - r.Right, r.Left - g.Right}), dy = std::max({0, g.Top - r.Bottom, r.Top - g.Bottom});
        if (dx * dx + dy * dy < best) best = dx * dx + dy * dy, m = i + 1;
    }
    return m;
}
}  // namespace

HMONITOR MonitorFromPoint(const TPoint& p, DWORD flags) {
    const QList<QScreen*> screens = Screens();
    for (int i = 0; i < screens.size(); ++i)
        if (FromQRect(screens[i]->geometry()).Contains(p)) return i + 1;
    return Fallback(screens, flags, TRect(p.X, p.Y, p.X + 1, p.Y + 1));
}

HMONITOR MonitorFromWindow(HWND wnd, DWORD flags) {
    const QList<QScreen*> screens = Screens();
    if (!wnd) return Fallback(screens, flags == MONITOR_DEFAULTTONULL ? flags : MONITOR_DEFAULTTOPRIMARY, TRect());
    TPoint o = wnd->ClientToScreen(TPoint(0, 0));
    TRect r(o.X, o.Y, o.X + wnd->Width(), o.Y + wnd->Height());
    int64_t best = 0;
    HMONITOR m = 0;
    for (int i = 0; i < screens.size(); ++i) {
        TRect g = FromQRect(screens[i]->geometry());
        int64_t w = std::min(g.Right, r.Right) - std::max(g.Left, r.Left);
        int64_t h = std::min(g.Bottom, r.Bottom) - std::max(g.Top, r.Top);
        if (w > 0 && h > 0 && w * h > best) best = w * h, m = i + 1;
    }
    return m ? m : Fallback(screens, flags, r);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO& info) {
    const QList<QScreen*> screens = Screens();
    if (info.cbSize != 40 || monitor < 1 || monitor > screens.size()) return 0;
    QScreen* s = screens[int(monitor - 1)];
    info.rcMonitor = FromQRect(s->geometry());
    info.rcWork = FromQRect(s->availableGeometry());
    info.dwFlags = s == QGuiApplication::primaryScreen() ? DWORD(MONITORINFOF_PRIMARY) : 0u;
    return 1;
}
