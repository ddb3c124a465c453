// The open and save dialogs and the three message boxes of the program. Every one can be answered by a
// test: the file dialogs through a hook, the message boxes through the message-box hook of Forms.h.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Component.h"

enum TOpenOption : uint8_t { ofAllowMultiSelect, ofHideReadOnly, ofEnableSizing };
using TOpenOptions = uint32_t;  // bits 1 << TOpenOption

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner);
    QM_CLASS_INFO
    // "文本文件(*.txt)|*.txt": pairs of description and patterns (";" between patterns).
    std::string Filter() const { return filter_; }
    void SetFilter(const std::string& f) { filter_ = f; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int i) { filterIndex_ = i; }
    std::string DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& e) { defaultExt_ = e; }
    std::string FileName() const { return fileName_; }
    void SetFileName(const std::string& f) { fileName_ = f; }
    std::string InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& d) { initialDir_ = d; }
    std::string Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions o) { options_ = o; }
    bool MultiSelect() const { return options_ & (1u << ofAllowMultiSelect); }
    // Every chosen file in the order given; FileName is the first.
    const std::vector<std::string>& Files() const { return files_; }
    // For the hook: the whole selection of a multiple-selection dialog.
    void SetFiles(const std::vector<std::string>& files) { files_ = files; }
    virtual bool IsSave() const { return false; }
    // True when the user chose a file: FileName holds it (with DefaultExt added to a name that has no
    // extension), FilterIndex the filter it was chosen under.
    bool Execute();

private:
    std::string filter_, defaultExt_, fileName_, initialDir_, title_;
    int filterIndex_ = 1;
    TOpenOptions options_ = 0;
    std::vector<std::string> files_;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    QM_CLASS_INFO
    bool IsSave() const override { return true; }
};

// The description/pattern pairs of a filter; a malformed filter gives the pairs it has.
std::vector<std::pair<std::string, std::string>> ParseDialogFilter(const std::string& filter);

// Tests answer file dialogs: the hook gets the dialog and returns the chosen file name, or "" to cancel. It may
// also set the filter index and, for a multiple-selection dialog, the whole selection (SetFiles).
using TFileDialogHook = std::function<std::string(TOpenDialog* dialog)>;
void SetFileDialogHook(TFileDialogHook hook);

// The message boxes of the program: "错误" with the error icon, "提示" with the information icon, and
// "确认" with Yes and No and the question icon (true only for Yes).
extern const char* const ErrorCaption;
extern const char* const InfoCaption;
extern const char* const ConfirmCaption;
void ShowErrorBox(const std::string& text);
void ShowInfoBox(const std::string& text);
bool ShowConfirmBox(const std::string& text);
