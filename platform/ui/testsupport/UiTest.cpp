#include "platform/ui/testsupport/UiTest.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QScreen>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <QTreeView>
#include <QWidget>
#include <QWindow>

#include "platform/ui/Backend.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/QtGlue.h"

namespace UiTest {
namespace {
int g_answer = -1;
std::string g_text, g_caption;
int g_count = 0;
UINT g_flags = 0;
TWinControl* g_boxOwner = nullptr;
bool g_boxOnTop = false;

// Position of a client point of c in its top-level window's widget.
QPoint InTop(TControl* c, int x, int y, TWinControl*& top) {
    top = Backend::TopLevel(c);
    TPoint s = c->ClientToScreen(TPoint(x, y));
    TPoint t = top->ScreenToClient(s);
    TRect wc = top->WindowClientRect();
    return QPoint(t.X + wc.Left, t.Y + wc.Top);
}
TMouseButton Btn(UINT b) { return b == MK_RBUTTON ? mbRight : b == MK_MBUTTON ? mbMiddle : mbLeft; }
}  // namespace

void Init() {
    Application->Initialize();
    static bool hooked = false;
    if (!hooked) {
        hooked = true;
        SetMessageBoxHook([](const std::string& text, const std::string& caption, UINT flags) {
            g_text = text;
            g_caption = caption;
            g_flags = flags;
            ++g_count;
            const std::unique_ptr<QMessageBox> box = Backend::NewMessageBox(text, caption, flags);
            auto* owner = dynamic_cast<TControlWidget*>(box->parentWidget());
            g_boxOwner = owner ? owner->control : nullptr;
            g_boxOnTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            if (g_answer >= 0) return g_answer;
            UINT b = flags & 0xF;
            return int(b == MB_YESNO ? IDNO : b == MB_OKCANCEL || b == MB_YESNOCANCEL ? IDCANCEL : IDOK);
        });
    }
}

void MouseMove(TControl* c, int x, int y, WPARAM buttons) {
    TWinControl* top;
    QPoint p = InTop(c, x, y, top);
    Backend::RouteMouse(top, p, Backend::Move, mbLeft, buttons);
}
void MouseDown(TControl* c, int x, int y, UINT button, WPARAM shift) {
    TWinControl* top;
    QPoint p = InTop(c, x, y, top);
    Backend::RouteMouse(top, p, Backend::Down, Btn(button), button | shift);
}
void MouseUp(TControl* c, int x, int y, UINT button, WPARAM shift) {
    TWinControl* top;
    QPoint p = InTop(c, x, y, top);
    Backend::RouteMouse(top, p, Backend::Up, Btn(button), shift);
}
void Click(TControl* c, int x, int y) {
    MouseMove(c, x, y);
    MouseDown(c, x, y);
    MouseUp(c, x, y);
}
void NativeClick(TControl* c, int x, int y) {
    // The widget that shows the point: the control's own, or its parent's for a windowless control.
    TControl* w = c;
    TPoint p(x, y);
    while (w && !w->Widget()) {
        p = TPoint(p.X + w->Left(), p.Y + w->Top());
        w = w->Parent();
    }
    if (!w) return;
    TRect wc = w->WindowClientRect();
    QPointF local(p.X + wc.Left, p.Y + wc.Top);
    QWidget* widget = w->Widget();
    QPointF global = widget->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

void ScrollBarAction(TControl* c, int bar, int code) {
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w || (bar != SB_HORZ && bar != SB_VERT) || !w->BackSurface()->bars[bar]) return;
    QScrollBar* sb = w->BackSurface()->bars[bar];
    QAbstractSlider::SliderAction a = QAbstractSlider::SliderNoAction;
    switch (code) {
    case SB_LINEDOWN: a = QAbstractSlider::SliderSingleStepAdd; break;
    case SB_LINEUP: a = QAbstractSlider::SliderSingleStepSub; break;
    case SB_PAGEDOWN: a = QAbstractSlider::SliderPageStepAdd; break;
    case SB_PAGEUP: a = QAbstractSlider::SliderPageStepSub; break;
    case SB_TOP: a = QAbstractSlider::SliderToMinimum; break;
    case SB_BOTTOM: a = QAbstractSlider::SliderToMaximum; break;
    default: return;
    }
    sb->triggerAction(a);
}

void DoubleClick(TControl* c, int x, int y) {
    Click(c, x, y);
    TWinControl* top;
    QPoint p = InTop(c, x, y, top);
    Backend::RouteMouse(top, p, Backend::DoubleClick, mbLeft, MK_LBUTTON);
    Backend::RouteMouse(top, p, Backend::Up, mbLeft, 0);
}
void Wheel(TControl* c, int x, int y, int delta, WPARAM shift) {
    TWinControl* top;
    QPoint p = InTop(c, x, y, top);
    Backend::RouteWheel(top, p, delta, shift);
}
void Key(WORD vk, WPARAM shift) {
    TWinControl* f = Backend::Focused();
    TWinControl* top = f ? Backend::TopLevel(f) : Screen->ActiveForm();
    TShiftState s = KeysToShiftState(shift & (MK_SHIFT | MK_CONTROL));
    std::string chars;
    if (vk == VK_RETURN) chars = "\r";
    if (vk == VK_ESCAPE) chars = "\x1b";
    if (vk == VK_BACK) chars = "\b";
    if (vk == VK_SPACE) chars = " ";
    Backend::RouteKey(top, vk, true, s, chars);
    Backend::RouteKey(top, vk, false, s, "");
}
namespace {
// The key a character is typed with on a US keyboard: punctuation has keys of its own, which must not read
// as Delete ('.' is 46), Insert ('-') or the arrows ('(' is 40) to a control's key-down handler.
WORD CharKey(char ch) {
    if (ch >= 'a' && ch <= 'z') return WORD(ch - 32);
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == ' ' || ch == '\b' || ch == '\r') return WORD(ch);
    switch (ch) {
    case '.': return 0xBE;
    case ',': return 0xBC;
    case '-': return 0xBD;
    case '+':
    case '=': return 0xBB;
    case '(': return '9';
    case ')': return '0';
    default: return uint8_t(ch) >= 0x80 ? 0xE5 : 0xDE;  // the input method's key; a key of no meaning
    }
}
}  // namespace

void Chars(const std::string& gbk) {
    TWinControl* f = Backend::Focused();
    TWinControl* top = f ? Backend::TopLevel(f) : Screen->ActiveForm();
    for (char ch : gbk) {
        std::string one(1, ch);
        Backend::RouteKey(top, CharKey(ch), true, 0, one);
        Backend::RouteKey(top, CharKey(ch), false, 0, "");
    }
}
void NativeKey(WORD vk, WPARAM shift) {
    TWinControl* f = Backend::Focused();
    TWinControl* top = f ? Backend::TopLevel(f) : Screen->ActiveForm();
    if (!top || !top->Widget()) return;
    int key = 0;
    QString text;
    if (vk >= 'A' && vk <= 'Z') {
        key = Qt::Key_A + (vk - 'A');
        text = QChar((shift & MK_SHIFT) ? vk : vk + 32);
    } else if (vk >= '0' && vk <= '9') {
        key = Qt::Key_0 + (vk - '0');
        text = QChar(vk);
    } else if (vk == VK_TAB) {
        key = (shift & MK_SHIFT) ? Qt::Key_Backtab : Qt::Key_Tab;
        text = QStringLiteral("\t");
    } else if (vk == VK_RETURN) {
        key = Qt::Key_Return;
        text = QStringLiteral("\r");
    } else if (vk == VK_ESCAPE) {
        key = Qt::Key_Escape;
        text = QChar(27);
    } else if (vk == VK_SPACE) {
        key = Qt::Key_Space;
        text = QStringLiteral(" ");
    } else if (vk == VK_APPS) {
        key = Qt::Key_Menu;
    } else if (vk == VK_F10) {
        key = Qt::Key_F10;
    } else {
        return;
    }
    Qt::KeyboardModifiers mods = (shift & MK_SHIFT) ? Qt::ShiftModifier : Qt::NoModifier;
    if (shift & MK_CONTROL) mods |= Qt::ControlModifier;
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(top->Widget(), &press);
    QCoreApplication::sendEvent(top->Widget(), &release);
}

void Flush() {
    Init();
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        Backend::FlushPaints();
    }
}
void Wait(int ms) {
    Init();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        Backend::FlushPaints();
    }
    Flush();
}
TBitmap* Capture(TControl* c) {
    Flush();
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w) {
        // A graphic control is what its parent shows at its place.
        TWinControl* p = c->Parent();
        std::unique_ptr<TBitmap> all(p->CopySurface());
        TRect wc = p->WindowClientRect();
        auto* b = new TBitmap(c->Width(), c->Height(), pf24bit);
        b->Canvas()->BitBlt(0, 0, c->Width(), c->Height(), all->Canvas(), wc.Left + c->Left(), wc.Top + c->Top(),
                            SRCCOPY);
        return b;
    }
    // The control's own surface with its windowed children's surfaces over it.
    TBitmap* b = w->CopySurface();
    // Native widgets inside a control (the line edit of an edit) paint themselves over its surface.
    auto natives = [&](TWinControl* c, QPoint at) {
        if (!c->Widget()) return;
        for (QWidget* n : c->Widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!n->property("qmNative").toBool() || n->isHidden()) continue;
            QPainter p(&BitmapQImage(*b));
            n->render(&p, at + n->pos(), QRegion(), QWidget::DrawChildren);
        }
    };
    natives(w, QPoint(0, 0));
    std::function<void(TWinControl*, QPoint)> add = [&](TWinControl* parent, QPoint at) {
        for (int i = 0; i < parent->ControlCount(); ++i) {
            auto* cw = dynamic_cast<TWinControl*>(parent->Controls(i));
            if (!cw || !cw->Visible()) continue;
            TRect wc = parent->WindowClientRect();
            QPoint pos = at + QPoint(wc.Left + cw->Left(), wc.Top + cw->Top());
            QPainter p(&BitmapQImage(*b));
            p.drawImage(pos, cw->BackSurface()->img.Pixels());
            p.end();
            natives(cw, pos);
            add(cw, pos);
        }
    };
    add(w, QPoint(0, 0));
    return b;
}
void SavePng(TControl* c, const std::string& path) {
    std::unique_ptr<TBitmap> b(Capture(c));
    b->SaveToPNG(path);
}
void OnScreenPaint(TWinControl* c, std::function<void()> f) {
    if (c->Widget()) c->Widget()->onScreenPaint = std::move(f);
}
void AnswerMessageBoxes(int result) {
    Init();
    g_answer = result;
}
std::string LastMessageBoxText() { return g_text; }
std::string LastMessageBoxCaption() { return g_caption; }
int MessageBoxCount() { return g_count; }
UINT LastMessageBoxFlags() { return g_flags; }
TWinControl* LastMessageBoxOwner() { return g_boxOwner; }
bool LastMessageBoxOnTop() { return g_boxOnTop; }

void ForceWindowSize(TWinControl* form, int width, int height) {
    // The window's own resize is held to its size limits; the window manager's is not.
    if (QWindow* w = form->Widget() ? form->Widget()->windowHandle() : nullptr) w->resize(width, height);
    Flush();
}
TPoint WindowSize(TWinControl* form) {
    return form->Widget() ? TPoint(form->Widget()->width(), form->Widget()->height()) : TPoint();
}

MessageBoxLayout LayOutMessageBox(const std::string& text, UINT flags, const std::string& png) {
    Init();
    std::unique_ptr<QMessageBox> box = Backend::NewMessageBox(text, "", flags);
    box->show();
    QApplication::processEvents();
    MessageBoxLayout m;
    m.width = box->width();
    m.height = box->height();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    m.screenWidth = screen.width();
    m.screenHeight = screen.height();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        m.textFits = label->width() >= label->minimumSizeHint().width() &&
                     label->height() >= label->heightForWidth(label->width()) &&
                     label->geometry().bottom() < box->height();
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
    for (QAbstractButton* b : buttons) m.buttons.push_back(ToGbk(b->text()));
    if (!png.empty()) box->grab().save(QString::fromStdString(png));
    box->hide();
    return m;
}
FileDialogTexts FileDialogOf(const TOpenDialog& dialog) {
    Init();
    std::unique_ptr<QFileDialog> d = Backend::NewFileDialog(dialog);
    FileDialogTexts t;
    t.title = ToGbk(d->windowTitle());
    t.lookIn = ToGbk(d->labelText(QFileDialog::LookIn));
    t.fileName = ToGbk(d->labelText(QFileDialog::FileName));
    t.fileType = ToGbk(d->labelText(QFileDialog::FileType));
    t.accept = ToGbk(d->labelText(QFileDialog::Accept));
    t.reject = ToGbk(d->labelText(QFileDialog::Reject));
    t.asksBeforeOverwriting = !d->testOption(QFileDialog::DontConfirmOverwrite);
    for (auto [label, buddy] : {std::pair{"fileNameLabel", &t.fileNameBuddy}, std::pair{"fileTypeLabel", &t.fileTypeBuddy}})
        if (auto* l = d->findChild<QLabel*>(QLatin1String(label)); l && l->buddy())
            *buddy = l->buddy()->objectName().toStdString();
    if (auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < types->count(); ++i) t.filters.push_back(ToGbk(types->itemText(i)));
        t.selectedFilter = ToGbk(types->currentText());
    }
    return t;
}

std::vector<std::vector<std::string>> FileDialogListing(const TOpenDialog& dialog) {
    Init();
    std::unique_ptr<QFileDialog> d = Backend::NewFileDialog(dialog);
    d->setViewMode(QFileDialog::Detail);
    d->show();
    auto* view = d->findChild<QTreeView*>(QStringLiteral("treeView"));
    std::vector<std::vector<std::string>> rows;
    if (!view || !view->model()) return rows;
    QAbstractItemModel* m = view->model();
    // The folder is read on a thread of the dialog's: the list is taken once it has stopped growing.
    QElapsedTimer t;
    t.start();
    int count = -1, stableSince = 0;
    while (t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const int now = m->rowCount(view->rootIndex());
        if (now != count) {
            count = now;
            stableSince = int(t.elapsed());
        } else if (count > 0 && t.elapsed() - stableSince > 300) {
            break;
        }
        QThread::msleep(10);
    }
    std::vector<std::string> titles;
    for (int c = 0; c < m->columnCount(view->rootIndex()); ++c) titles.push_back(ToGbk(m->headerData(c, Qt::Horizontal).toString()));
    for (int r = 0; r < count; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < 4; ++c) row.push_back(ToGbk(m->index(r, c, view->rootIndex()).data().toString()));
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.insert(rows.begin(), titles);
    d->hide();
    return rows;
}

DropDownAnswer AnswerDropDownList(const std::vector<std::string>& items, int current, const std::vector<WORD>& keys) {
    Init();
    DropDownAnswer answer;
    // Polls until the list shows and has taken its highlight, then types into it.
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [&answer, keys, timer] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        timer->stop();
        for (QAction* a : menu->actions()) answer.checkMarks = answer.checkMarks || a->isCheckable();
        for (WORD vk : keys) {
            const int key = vk == VK_UP ? Qt::Key_Up : vk == VK_DOWN ? Qt::Key_Down : vk == VK_RETURN ? Qt::Key_Return
                                                                                                    : Qt::Key_Escape;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier), release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(menu, &press);
            QApplication::sendEvent(menu, &release);
        }
    });
    timer->start(20);
    answer.chosen = Backend::RunDropDownList(items, current, 100, TPoint(10, 10));
    delete timer;
    return answer;
}

void SetClipboardPicture(const TBitmap* b) {
    Init();
    if (b)
        QGuiApplication::clipboard()->setImage(BitmapQImage(*b));
    else
        QGuiApplication::clipboard()->clear();
}

}  // namespace UiTest

std::string UiTest::FormBitmapData(const TBitmap& b) {
    char dir[] = "/tmp/qm_bmpXXXXXX";
    if (!mkdtemp(dir)) throw Exception("no temporary folder");
    const std::string path = std::string(dir) + "/b.bmp";
    b.SaveToFile(path);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    rmdir(dir);
    const uint32_t n = uint32_t(bytes.size());
    bytes.insert(0, std::string{char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24)});
    std::string hex = "{";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0) hex += "\n  ";
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[uint8_t(bytes[i]) >> 4];
        hex += digits[uint8_t(bytes[i]) & 15];
    }
    return hex + "}";
}
