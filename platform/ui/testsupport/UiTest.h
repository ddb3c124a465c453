// Headless harness for tests: the application on the offscreen platform, synthetic input at control points,
// captures of controls as bitmaps and PNG files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/Windows.h"

class TBitmap;
class TOpenDialog;
class TControl;
class TWinControl;

namespace UiTest {
// Creates the application object and its backend once (argc 0); later calls do nothing.
void Init();
// Mouse at a point of a control's client area (the event is routed as a real one would be: capture, the
// control under the point, enter and leave). buttons: MK_LBUTTON etc. held during a move.
void MouseMove(TControl* c, int x, int y, WPARAM buttons = 0);
void MouseDown(TControl* c, int x, int y, UINT button = MK_LBUTTON, WPARAM shift = 0);
void MouseUp(TControl* c, int x, int y, UINT button = MK_LBUTTON, WPARAM shift = 0);
void Click(TControl* c, int x, int y);
// The same through the backend's own event delivery (a press and a release as the window system sends them).
void NativeClick(TControl* c, int x, int y);
void DoubleClick(TControl* c, int x, int y);
// An action on a window scroll bar (SB_LINEDOWN, SB_PAGEUP, SB_TOP ...) as the user would do it on the bar.
void ScrollBarAction(TControl* w, int bar, int code);
// delta in WHEEL_DELTA units (120 a notch), to the focused control.
void Wheel(TControl* c, int x, int y, int delta, WPARAM shift = 0);
// A key pressed and released on the focused control: key down, the characters, key up.
void Key(WORD vk, WPARAM shift = 0);
void Chars(const std::string& gbk);
// A key through the backend's own key events to the active window (letters, digits, Tab, Enter, Escape, Space,
// F10 and the Menu key).
void NativeKey(WORD vk, WPARAM shift = 0);
// Pending posted messages, timers that are due and paints, processed until none is left.
void Flush();
// Waits (processing messages) for at least ms milliseconds.
void Wait(int ms);
// Paints what is pending and copies what the control shows (its whole bounds) into a new 24-bit bitmap.
TBitmap* Capture(TControl* c);
void SavePng(TControl* c, const std::string& path);
// Calls f each time the control's window is put on the screen (an empty f stops it). What is shown then is the
// control's CopySurface; f must not process messages (no Capture, Flush or Wait).
void OnScreenPaint(TWinControl* c, std::function<void()> f);
// Puts the bitmap's picture on the clipboard, or empties the clipboard (nullptr), as another program would.
void SetClipboardPicture(const TBitmap* b);
// Message-box answers: the next boxes are answered with this result (IDOK ...) instead of showing;
// LastMessageBox tells the text and caption of the last one.
void AnswerMessageBoxes(int result);
std::string LastMessageBoxText();
std::string LastMessageBoxCaption();
int MessageBoxCount();
UINT LastMessageBoxFlags();
// The box that the last message would have shown: the form it belongs to (nullptr: none), and whether it
// stays above the forms that stay on top.
TWinControl* LastMessageBoxOwner();
bool LastMessageBoxOnTop();
// A window manager's resize of a top-level window, and the size the window has then (of its client area).
void ForceWindowSize(TWinControl* form, int width, int height);
TPoint WindowSize(TWinControl* form);
// The real box of a message, shown on the (offscreen) screen and measured: its size, the screen's, and
// whether its text label has the room its lines need.
struct MessageBoxLayout {
    int width = 0, height = 0, screenWidth = 0, screenHeight = 0;
    bool textFits = false;
    // The buttons' texts, left to right.
    std::vector<std::string> buttons;
};
// A PNG of the box is saved under `png` when it is given.
MessageBoxLayout LayOutMessageBox(const std::string& text, UINT flags, const std::string& png = "");
// What a file dialog shows, built as Execute builds it but not shown.
struct FileDialogTexts {
    std::string title, lookIn, fileName, fileType, accept, reject;
    // The fields the labels of the file name and the file type lead to (Alt and the underlined letter).
    std::string fileNameBuddy, fileTypeBuddy;
    std::vector<std::string> filters;
    std::string selectedFilter;
    bool asksBeforeOverwriting = false;
};
FileDialogTexts FileDialogOf(const TOpenDialog& dialog);
// The same dialog shown on the (offscreen) screen once it has read its folder (the dialog's InitialDir): the
// titles of the file list's columns, then a row per entry (name, size, type, date) sorted by name.
std::vector<std::vector<std::string>> FileDialogListing(const TOpenDialog& dialog);
// A combo box's drop-down list shown with these items and current one, answered by the keys (VK_UP, VK_DOWN,
// VK_RETURN, VK_ESCAPE) pressed in it once it shows; what the list gives, and whether any item showed a check
// mark.
struct DropDownAnswer {
    int chosen = -1;
    bool checkMarks = false;
};
DropDownAnswer AnswerDropDownList(const std::vector<std::string>& items, int current, const std::vector<WORD>& keys);
// The bitmap as a form resource writes a picture's data: "{" hex of the byte count and the BMP file "}".
std::string FormBitmapData(const TBitmap& b);
}  // namespace UiTest
