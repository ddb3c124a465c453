// Forms, the screen object with its cursors, and the application object with the message loop.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Controls.h"

class TCursorData;
using HCURSOR = TCursorData*;
using HINSTANCE = void*;
extern HINSTANCE HInstance;

enum : TCursor {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
    crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
    crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
    crHelp = -20, crHandPoint = -21, crSize = -22, crSizeAll = -22
};

// A cursor picture drawn as text: '#' black, '.' white, ' ' transparent; all rows as wide as the first.
HCURSOR CreateCursorFromText(const std::vector<std::string>& rows, int hotX, int hotY);
// Cursor resources of the program, by name (LoadCursor finds them).
void RegisterCursorResource(const std::string& name, const std::vector<std::string>& rows, int hotX, int hotY);
HCURSOR LoadCursor(HINSTANCE inst, const std::string& name);
// The cursor last set on a window (tests read it).
HCURSOR GetCursor();
HCURSOR SetCursor(HCURSOR c);

class TCustomForm;

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;
    // The cursor of the whole application; crDefault lets each control show its own.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    // Cursor table: the built-in numbers (crArrow ...) and the ones a program registers.
    HCURSOR Cursors(int index) const;
    void SetCursors(int index, HCURSOR c);
    // The cursor number last shown, and the control it was shown on.
    TCursor ActiveCursorNumber() const { return activeNumber_; }
    void ApplyCursor(TControl* over, TCursor number);
    int PixelsPerInch() const { return 96; }
    int Width() const;
    int Height() const;
    TRect WorkAreaRect() const;
    int FormCount() const { return int(forms_.size()); }
    TCustomForm* Forms(int i) const { return forms_.at(size_t(i)); }
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const;
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);
    // Forms are kept bottom first; a form that shows comes to the top.
    void BringFormToTop(TCustomForm* f);
    void SetActiveForm(TCustomForm* f) { activeForm_ = f; }

private:
    TCursor cursor_ = crDefault, activeNumber_ = crDefault;
    std::map<int, HCURSOR> cursors_;
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
};

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                          mrNo = 7, mrAll = 8 };
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TBorderIcon : uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = uint8_t;
enum TPosition : uint8_t { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                           poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    QM_CLASS_INFO
    // Called once the form is built (after its resource is read): fires OnCreate.
    virtual void AfterConstruction();

    void Show();
    // Runs a local message loop until ModalResult is set; answers it.
    virtual int ShowModal();
    void Close();
    bool CloseQuery();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* c);
    void FocusControl(TWinControl* c);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle s);
    TBorderStyle FormBorderStyle() const { return formBorder_; }
    void SetFormBorderStyle(TBorderStyle b) { formBorder_ = b; }
    // Title-bar buttons, applied when the form shows (with the border style: only a sizeable border resizes).
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons b) { borderIcons_ = b; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool k) { keyPreview_ = k; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState s);
    // Stored by form resources; the forms are laid out at 96 pixels per inch whatever they say.
    int DesignPixelsPerInch() const { return designPpi_; }
    void SetDesignPixelsPerInch(int v) { designPpi_ = v; }
    int DesignTextHeight() const { return designTextHeight_; }
    void SetDesignTextHeight(int v) { designTextHeight_ = v; }
    bool OldCreateOrder() const { return oldCreateOrder_; }
    void SetOldCreateOrder(bool v) { oldCreateOrder_ = v; }
    bool Scaled() const { return scaled_; }
    void SetScaled(bool v) { scaled_ = v; }
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool v) { autoScroll_ = v; }
    bool Active() const;
    TCanvas* Canvas() { return SurfaceCanvas(); }

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void Dispatch(TMessage& m) override;
    // The focused control has changed (the backend tells the form).
    void SetFocusedControl(TWinControl* c);

protected:
    void CreateParams(TCreateParams& p) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    void PaintWindow(HDC dc) override;
    void BoundsChanged(bool moved, bool sized) override;

private:
    TWinControl* activeControl_ = nullptr;
    int modalResult_ = 0;
    bool modal_ = false, keyPreview_ = false, created_ = false;
    TFormStyle formStyle_ = fsNormal;
    TBorderStyle formBorder_ = bsSizeable;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    int designPpi_ = 96, designTextHeight_ = 13;
    bool oldCreateOrder_ = false, scaled_ = true, autoScroll_ = true;
    void ApplyWindowFrame();
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
    QM_CLASS_INFO
};

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;
    // Creates the backend once (an offscreen platform stays offscreen).
    void Initialize();
    // The first form created becomes the main form.
    template <class F>
    void CreateForm(F*& ref) {
        ref = new F(this);
        if (!mainForm_) mainForm_ = ref;
        ref->AfterConstruction();
    }
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* f) { mainForm_ = f; }
    // Shows the main form and runs the loop until it closes or Terminate is called.
    void Run();
    // Processes what is pending once, without waiting.
    void ProcessMessages();
    // Waits for something to happen, then processes it.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Tests run several loops in one process.
    void ClearTerminated() { terminated_ = false; }
    std::string Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    // The current exception (inside a catch) shown by OnException or, by default, ShowException.
    void HandleException(TObject* sender);
    // A message box captioned with the title, with the error icon.
    void ShowException(const std::exception& e);
    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    std::string Hint() const { return hint_; }
    // A change goes to OnHint; without a handler it is offered as CM_HINTACTION (LParam: the hint string) to
    // the visible controls of the showing forms, the active one first, until one takes it (Result 1).
    void SetHint(const std::string& h);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }
    int HintPause() const { return hintPause_; }
    void SetHintPause(int ms) { hintPause_ = ms; }
    void CancelHint();
    int HintCancelCount() const { return hintCancels_; }
    HWND Handle() const { return nullptr; }

    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    TIdleEvent OnIdle;

private:
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false, showHint_ = true;
    std::string title_, hint_;
    int hintPause_ = 500, hintCancels_ = 0;
};

extern TApplication* Application;
extern TScreen* Screen;

// A window is covered when its screen rectangle is not inside the work area, or a visible form above its
// own (a later-shown one, or one that stays on top) overlaps it.
bool IsWindowCovered(HWND wnd);

// The first line of a hint ("short|long" gives short), and the second.
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// The message boxes: a hook answers instead of showing (tests use it).
using TMessageBoxHook = std::function<int(const std::string& text, const std::string& caption, UINT flags)>;
void SetMessageBoxHook(TMessageBoxHook hook);
// A hook that runs when a modal form has started its loop (tests answer dialogs with it).
using TModalHook = std::function<void(TCustomForm* form)>;
void SetModalHook(TModalHook hook);
