// A progress that shows no window and records what an export did with it, for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/unTessarRgPub.h"

class TRecordingTessarProgress : public ITessarProgress {
public:
    // What one dialog shows; a new dialog has the form's caption, total 0 and its button enabled.
    struct Dialog {
        std::string Caption = "导出图幅";
        uint32_t TotalParts = 0;
        uint32_t PartsComplete = 0;
        uint16_t Percent = 0;
        bool ButtonEnabled = true;
        bool Visible = false;
    };

    // Every dialog created, the current one last.
    std::vector<Dialog> Dialogs;
    bool Hourglass = false;
    uint64_t MessagesProcessed = 0;
    // The calls in order; a run of one call is one entry with its count.
    std::vector<std::pair<std::string, uint64_t>> Calls;

    // The calls as "Name" or "Name xN", joined with "; ".
    std::string CallText() const;
    // Throws std::logic_error when no dialog was created.
    Dialog& Current();

    void NewDialog() override;
    std::string Caption() override;
    void SetCaption(const std::string& caption) override;
    void SetTotalParts(uint32_t total) override;
    void IncPartsByOne() override;
    void SetButtonEnabled(bool enabled) override;
    void Show() override;
    void ProcessMessages() override;
    void SetHourglass(bool on) override;

private:
    void Log(const std::string& call);
};
