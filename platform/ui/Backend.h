// Inside the platform layer only: the Qt widget of a control, the message queue, window timers, capture,
// focus and the routing of mouse and key input into messages.
#pragma once

#include <QImage>
#include <QRegion>
#include <QScrollBar>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Controls.h"
#include "platform/ui/QtGlue.h"

class QDialog;
class QFileDialog;
class QMessageBox;
class TOpenDialog;

struct TWinControl::Surface {
    TPaintedImage img;
    QRegion update;  // window coordinates
    bool erase = false, ncInvalid = true, posted = false, painting = false;
    QRegion ncPart;  // window coordinates: the part of the frame to paint; empty: all of it
    QScrollBar* bars[2] = {nullptr, nullptr};
    SCROLLINFO info[2];
    std::unique_ptr<TControlCanvas> canvas;   // client canvas
    std::unique_ptr<TControlCanvas> wcanvas;  // whole-window canvas for the frame
};

class TControlWidget : public QWidget {
public:
    TControlWidget(TWinControl* c, bool topLevel);
    TWinControl* control;
    // Moves the pixels of the surface to the screen.
    void Show(const QRect& r) { update(r); }
    // Test hook: runs after each paint of this widget on the screen.
    std::function<void()> onScreenPaint;
    // The last size forced on a fixed frame and given back.
    QSize refused;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool event(QEvent* e) override;
    // Tab is a key like any other: the form moves the focus itself.
    bool focusNextPrevChild(bool) override { return false; }
};

// A surface canvas tells its widget what changed, so drawing outside paint shows at once.
class TSurfaceDevice : public TCanvasDevice {
public:
    TSurfaceDevice(TWinControl::Surface* s, TControlWidget* w) : s_(s), w_(w) {}
    TPaintedImage* Image() override { return &s_->img; }
    int Width() override { return s_->img.Width(); }
    int Height() override { return s_->img.Height(); }
    void Changed(const QRect& r) override {
        if (w_) w_->Show(r);
    }

private:
    TWinControl::Surface* s_;
    TControlWidget* w_;
};

namespace Backend {
// Runs f; an exception is handed to the application's display instead of crossing into Qt.
void Guard(const std::function<void()>& f);
void HandleException();

void RegisterControl(const TControl* c);
void UnregisterControl(const TControl* c);
bool Alive(const TControl* c);

void Post(TWinControl* w, UINT msg, WPARAM wp, LPARAM lp);
void SchedulePaint(TWinControl* w);
// Paints every control whose paint is pending and that is showing.
void FlushPaints();
UINT SetTimer(TWinControl* w, UINT id, UINT ms);
bool KillTimer(TWinControl* w, UINT id);
void KillTimers(TWinControl* w);

TControl* Capture();
void SetCapture(TControl* c);
// A popup menu has closed: the holder of the capture is told (WM_CANCELMODE) and loses it, and the buttons
// let go inside the menu no longer count as held.
void EndMenuMode();
TWinControl* Focused();
void SetFocused(TWinControl* c);

// Mouse input at a point of a top-level window's client area (window coordinates of its widget).
enum MouseKind { Move, Down, Up, DoubleClick };
void RouteMouse(TWinControl* top, QPoint p, MouseKind kind, TMouseButton button, WPARAM keys);
void RouteWheel(TWinControl* top, QPoint p, int delta, WPARAM keys);
void RouteLeave(TWinControl* top);
void RouteKey(TWinControl* top, WORD vk, bool down, TShiftState shift, const std::string& chars);
// The same to a given control (a key-down posted to it).
void DeliverKey(TWinControl* target, WORD vk, bool down, TShiftState shift, const std::string& chars);
// The control that last received CM_MOUSEENTER (not yet CM_MOUSELEAVE).
TControl* MouseControl();
TPoint LastMouseScreen();
void SetLastMouseScreen(TPoint p);

TWinControl* TopLevel(const TControl* c);
// Whether something acts on a window's maximised state: a window manager on X, the platform itself elsewhere.
bool WindowStatesHonoured();
// The drag in progress (nullptr: none), started by BeginDrag.
struct DragState {
    TControl* source = nullptr;
    TControl* target = nullptr;  // the control last asked, nullptr when none
    bool accepted = false, started = false;
    int threshold = 0;
    TPoint start;  // screen point of the press
    // A dock drag: where the control would go (no site: it would float), and the press point in the
    // source's client area, which a floating form keeps under the mouse.
    bool dock = false;
    TWinControl* dockSite = nullptr;
    TControl* dropOn = nullptr;
    TAlign dropAlign = alNone;
    bool stay = false;
    TRect dockRect;  // screen
    TPoint grab;
};
DragState& Drag();
void FinishDrag(bool drop);
// Takes the outline of a dock drag off the screen (its control went).
void HideDockOutline();
WORD QtKeyToVk(int key);
// The form that a message box or file dialog opened now belongs to (nullptr: none shows).
TCustomForm* DialogOwner();
// Makes a dialog window the transient of that form, above the forms that stay on top.
void OwnDialog(QWidget* dialog);
// Runs such a dialog modally, then gives its owner the keyboard back; freed: the owner freed the dialog meanwhile
// (the form went while the dialog was open).
int RunOwnedDialog(QDialog* dialog, bool& freed);
// The box MessageBox shows, built but not shown (tests measure its layout).
std::unique_ptr<QMessageBox> NewMessageBox(const std::string& text, const std::string& caption, UINT flags);
// A combo box's drop-down list at a screen point: the items, the current one highlighted so that the arrow keys
// go on from it; the index chosen, or -1 when the list closes without a choice.
int RunDropDownList(const std::vector<std::string>& items, int current, int minWidth, const TPoint& at);
// The open or save dialog as the user sees it: its title, labels and the filters in the form's order.
std::unique_ptr<QFileDialog> NewFileDialog(const TOpenDialog& dialog);
}  // namespace Backend
