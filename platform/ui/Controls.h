// Controls: the windowless graphic control painted by its parent, the windowed control with children,
// focus, a non-client frame, window scroll bars and a back surface of its own, and the custom control with a
// canvas. Messages are their interface: the backend's events arrive as the Win32-style messages, in order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Component.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Windows.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlWidget;  // the backend's widget of a control
class TDockManager;

class EInvalidOperation : public Exception { using Exception::Exception; };

enum TShiftStateBits : uint16_t { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                                  ssDouble = 64 };
using TShiftState = uint16_t;
enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };
enum TBiDiMode : uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TAnchorKind : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = uint8_t;

enum : uint32_t {
    csAcceptsControls = 1, csCaptureMouse = 2, csDesignInteractive = 4, csClickEvents = 8, csFramed = 16,
    csSetCaption = 32, csOpaque = 64, csDoubleClicks = 128, csFixedWidth = 256, csFixedHeight = 512,
    csNoDesignVisible = 1024, csReplicatable = 2048, csNoStdEvents = 4096, csDisplayDragImage = 8192,
    csReflector = 16384, csActionClient = 32768, csMenuEvents = 65536
};
enum : uint32_t { csLButtonDown = 1, csClicked = 2, csPalette = 4, csReadingState = 8, csAlignmentNeeded = 16,
                  csFocusing = 32, csCreating = 64, csPaintCopy = 128, csCustomPaint = 256 };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, TPoint mousePos, bool& handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMode : uint8_t { dmManual, dmAutomatic };
enum TDragKind : uint8_t { dkDrag, dkDock };
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;

enum : int { WHEEL_DELTA = 120 };
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0, ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    TWinControl* WndParent = nullptr;
};

// The canvas of a control: on the parent's back surface for graphic controls, on the own one for windowed.
class TControlCanvas : public TCanvas {
public:
    TControl* Control() const { return control_; }
    void SetControl(TControl* c) { control_ = c; }

private:
    TControl* control_ = nullptr;
};

class TBasicAction;
class TControlActionLink;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    QM_CLASS_INFO

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* p);
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int l, int t, int w, int h);
    TRect BoundsRect() const { return TRect(left_, top_, left_ + width_, top_ + height_); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // Client area in the control's own coordinates.
    virtual TRect ClientRect() const { return TRect(0, 0, width_, height_); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    // Screen positions of client points.
    TPoint ClientToScreen(const TPoint& p) const;
    TPoint ScreenToClient(const TPoint& p) const;
    // Screen position of the client origin.
    TPoint ClientOrigin() const;
    // Client area in the control's window coordinates (inside the non-client frame).
    virtual TRect WindowClientRect() const { return TRect(0, 0, width_, height_); }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors a) { anchors_ = a; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    virtual bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool e);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TFont* Font() const { return font_.get(); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool v);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool v);
    // Caption and Text are the same window text.
    std::string Caption() const { return text_; }
    void SetCaption(const std::string& t) { SetText(t); }
    std::string Text() const { return text_; }
    void SetText(const std::string& t);
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& h) { hint_ = h; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* m);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int v) { helpContext_ = v; }
    TBiDiMode BiDiMode() const { return bidiMode_; }
    // A change is announced to the control (CM_BIDIMODECHANGED), so layouts that mirror can follow it.
    void SetBiDiMode(TBiDiMode m);
    bool UseRightToLeftAlignment() const { return bidiMode_ == bdRightToLeft; }
    bool UseRightToLeftReading() const { return bidiMode_ != bdLeftToRight; }
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool v) { parentBiDiMode_ = v; }
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode m) { dragMode_ = m; }
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor c) { dragCursor_ = c; }
    // dkDock: a drag moves the control into a dock site, or out of one into a floating form.
    TDragKind DragKind() const { return dragKind_; }
    void SetDragKind(TDragKind k) { dragKind_ = k; }
    uint32_t ControlStyle() const { return controlStyle_; }
    void SetControlStyle(uint32_t s) { controlStyle_ = s; }
    uint32_t ControlState() const { return controlState_; }
    void SetControlState(uint32_t s) { controlState_ = s; }
    bool MouseCapture() const;
    void SetMouseCapture(bool c);
    // The control and all its parents are visible.
    virtual bool Showing() const;

    // Sends a message straight to the control's handlers and answers its result.
    LRESULT Perform(UINT msg, WPARAM w = 0, LPARAM l = 0);
    // Entry of every message: routes to Dispatch, with the default mouse and key bookkeeping.
    virtual void WndProc(TMessage& m);
    // The handlers of a class: handle what it knows, pass the rest to the base class's Dispatch.
    virtual void Dispatch(TMessage& m);
    virtual void DefaultHandler(TMessage& m);

    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();
    // Without an OnClick handler, a click runs the control's action.
    virtual void Click();
    virtual void DblClick();
    TControlWidget* Widget() const { return widget_.get(); }
    TBasicAction* Action() const;
    // Links the control: it shows the action's caption, state and hint from now on.
    void SetAction(TBasicAction* a);
    void Loaded() override;

    TNotifyEvent OnClick, OnDblClick, OnResize;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelUp, OnMouseWheelDown;
    TContextPopupEvent OnContextPopup;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // Drag and drop inside the program: once the mouse has moved `threshold` pixels from the press
    // (at once when immediate or threshold < 0), moves ask the control under the mouse (DragOver) and the
    // release drops on it when it accepted.
    void BeginDrag(bool immediate, int threshold = -1);
    void EndDrag(bool drop);
    bool Dragging() const;
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    virtual void DoEndDrag(TObject* target, int x, int y);

    // The dock site the control is docked in, or the floating form it floats in; nullptr when neither.
    TWinControl* HostDockSite() const { return hostDockSite_; }
    bool Floating() const;
    // Docks the control into a site beside dropControl on the side align (nullptr, alNone: where the site
    // puts a new one); shows it.
    void ManualDock(TWinControl* site, TControl* dropControl = nullptr, TAlign align = alNone);
    // Undocks the control into a floating form whose client area takes the screen rectangle.
    void ManualFloat(const TRect& screenRect);

protected:
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual bool DoMouseWheel(TShiftState shift, int delta, TPoint pos);
    virtual void Resize();
    virtual void Changed() {}
    void Notification(TComponent* c, TOperation op) override;
    // A new link for SetAction; descendants link more of their properties.
    virtual TControlActionLink* CreateActionLink();
    // The action changed, or was just linked; with checkDefaults (an action still loading) only properties
    // still at their defaults follow it.
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    TControlActionLink* ActionLink() const { return actionLink_.get(); }
    // The colour the parent shows (for ParentColor and for painting behind transparent controls).
    TColor ParentColorValue() const;
    void SetParentField(TWinControl* p) { parent_ = p; }
    virtual void BoundsChanged(bool moved, bool sized);
    // Where a context menu asked for from the keyboard opens, in client coordinates.
    virtual TPoint KeyboardPopupPoint() const { return TPoint(0, 0); }
    void FontChanged();
    std::unique_ptr<TControlWidget> widget_;

private:
    friend class TWinControl;
    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    bool visible_ = true, enabled_ = true, parentColor_ = true, parentFont_ = true, ctl3D_ = true,
         parentCtl3D_ = true, showHint_ = false, parentShowHint_ = true;
    TColor color_ = clWindow;
    std::unique_ptr<TFont> font_;
    std::string text_, hint_;
    TCursor cursor_ = 0;
    TPopupMenu* popupMenu_ = nullptr;
    int helpContext_ = 0;
    TBiDiMode bidiMode_ = bdLeftToRight;
    bool parentBiDiMode_ = true;
    TDragMode dragMode_ = dmManual;
    TDragKind dragKind_ = dkDrag;
    TWinControl* hostDockSite_ = nullptr;
    TCursor dragCursor_ = -12;  // crDrag
    uint32_t controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    uint32_t controlState_ = 0;
    bool fontChanging_ = false;
    std::unique_ptr<TControlActionLink> actionLink_;
};

// A windowless control: painted on its parent's back surface during the parent's paint.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    QM_CLASS_INFO
    // Bound to the parent's surface at the control's place, clipped to it.
    TCanvas* Canvas();
    void Dispatch(TMessage& m) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> canvas_;
    TCanvas* paintDC_ = nullptr;  // the canvas a paint message brought
    bool painting_ = false;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    QM_CLASS_INFO

    HWND Handle();
    bool HandleAllocated() const { return handleCreated_; }
    void HandleNeeded() { Handle(); }
    // Drops this window and its windowed children's; the next Handle() builds them again.
    void DestroyHandle();
    // Rebuilds the window from CreateParams (styles, frame, scroll bars).
    void RecreateWnd();
    const TCreateParams& Params() const { return params_; }

    int ControlCount() const { return int(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(size_t(i)); }
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    // The deepest visible control (this one included) at a client point; disabled ones when asked.
    TControl* ControlAtPos(const TPoint& p, bool allowDisabled, bool allowWinControls = true) const;
    bool ContainsControl(const TControl* c) const;
    // (0, 0, client width, client height); the frame and window scroll bars are outside it.
    TRect ClientRect() const override;
    TRect WindowClientRect() const override { return clientInWindow_; }
    bool Showing() const override;
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v);
    int TabOrder() const;
    void SetTabOrder(int v);
    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    TWinControl* FindNextControl(TWinControl* cur, bool forward, bool checkTabStop, bool checkParent) const;
    void SelectNext(TWinControl* cur, bool forward, bool checkTabStop);
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    void Broadcast(TMessage& m);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle b);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    void Realign();

    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    // Marks part of the client area (client coordinates; nullptr: all) for the next paint.
    void InvalidateClient(const TRect* r, bool erase);
    void ValidateClient(const TRect* r);
    // Marks the frame for the next paint: all of it, or only where it meets r (window coordinates).
    void InvalidateFrame(const TRect* r = nullptr);
    bool PaintPending() const;
    // Puts the back surface (client coordinates; nullptr: the whole client area) on the screen before returning,
    // without painting what is pending or taking input: for drawings made straight onto the surface that must be
    // seen one by one.
    void ShowSurface(const TRect* r = nullptr);
    // The back surface as it is now (window coordinates), a copy.
    TBitmap* CopySurface() const;
    // Canvases on the back surface at any time: the client area, and the whole window with its frame.
    TCanvas* ClientCanvas() { return SurfaceCanvas(); }
    TCanvas* WindowCanvas();

    // A dock site takes controls dropped by a dock drag; with UseDockManager its manager lays them out
    // with grabbers.
    bool DockSite() const { return dockSite_; }
    void SetDockSite(bool v);
    bool UseDockManager() const { return useDockManager_; }
    void SetUseDockManager(bool v);
    // The manager of a dock site that uses one (made on first need), else nullptr.
    TDockManager* DockManager();
    int DockClientCount() const;
    TControl* DockClients(int i) const;

    // Window scroll bars (SB_HORZ, SB_VERT), present when the window style asks for them.
    int SetScrollInfo(int bar, const SCROLLINFO& si, bool redraw);
    bool GetScrollInfo(int bar, SCROLLINFO& si) const;

    void WndProc(TMessage& m) override;
    void Dispatch(TMessage& m) override;
    void DefaultHandler(TMessage& m) override;
    void SetBounds(int l, int t, int w, int h) override;
    void SetParent(TWinControl* p) override;
    void SetEnabled(bool e) override;
    void Loaded() override;

    TNotifyEvent OnEnter, OnExit;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // Backend plumbing (the widget layer calls these).
    struct Surface;
    Surface* BackSurface() const { return surface_.get(); }
    void ProcessPaint();
    void ScrollClient(int dx, int dy, const TRect* clip, bool invalidate, bool erase);

protected:
    virtual void CreateParams(TCreateParams& p);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    // WM_PAINT of a windowed control: its own painting, then the graphic children's.
    virtual void PaintWindow(HDC dc);
    void PaintControls(HDC dc, TControl* first);
    // The canvas that draws on the back surface (client origin, client clip).
    TCanvas* SurfaceCanvas();
    virtual void AlignControls(TControl* c, TRect& r);
    virtual void AdjustClientRect(TRect& r) { (void)r; }
    virtual TDockManager* CreateDockManager();
    virtual bool DoKeyDown(WORD& key, TShiftState shift);
    virtual bool DoKeyUp(WORD& key, TShiftState shift);
    virtual bool DoKeyPress(char& key);
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void DoEnter();
    virtual void DoExit();
    void BoundsChanged(bool moved, bool sized) override;
    void UpdateNonClient();

private:
    friend class TControl;
    friend class TCustomForm;
    friend class TDockTree;  // lays docked controls out in the area AdjustClientRect leaves
    std::vector<TControl*> controls_;  // z-order, bottom first
    std::vector<TWinControl*> tabList_;
    std::unique_ptr<Surface> surface_;
    TCreateParams params_;
    bool handleCreated_ = false, tabStop_ = false;
    TBorderStyle borderStyle_ = bsNone;
    int borderWidth_ = 0, alignDisabled_ = 0;
    TRect clientInWindow_;
    TSize anchorBase_{-1, -1};  // client size the anchored children were placed against
    bool aligning_ = false;
    bool dockSite_ = false, useDockManager_ = false;
    std::unique_ptr<TDockManager> dockManager_;
    void ApplyAnchors();
    void UpdateScrollBarWidgets();
};

// A windowed control with a canvas and a Paint of its own.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    QM_CLASS_INFO
    // During a paint the canvas the paint message brought (it may be another control's), else the surface.
    TCanvas* Canvas() { return paintDC_ ? paintDC_ : SurfaceCanvas(); }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;

private:
    TCanvas* paintDC_ = nullptr;
};

// A small borderless window above all others that shows one line of text at a screen rectangle; it never
// takes the focus.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    QM_CLASS_INFO
    // The size the text needs, placed at the origin.
    TRect CalcHintRect(const std::string& text);
    void ActivateHint(TRect screenRect, const std::string& text);
    void ReleaseHandle();
    bool Shown() const { return shown_; }

protected:
    void Paint() override;

private:
    bool shown_ = false;
};

// Device contexts: of a window's client area, of the whole window, and (nullptr) of the screen, which
// measures text at 96 pixels per inch and keeps what is drawn on it to itself.
HDC GetDC(HWND wnd);
HDC GetWindowDC(HWND wnd);
int ReleaseDC(HWND wnd, HDC dc);

// The form that (indirectly) holds the control, or nullptr.
TCustomForm* GetParentForm(const TControl* c);
// Whether a control object is still alive (posted messages and timers check this).
bool ControlAlive(const TControl* c);
