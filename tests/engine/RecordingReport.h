// Installs itself as the engine's error report for the life of a test and records what it is shown.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/unTessarRgPub.h"

class RecordingReport : public ITessarErrorReport {
public:
    RecordingReport() { SetTessarErrorReport(this); }
    ~RecordingReport() override { SetTessarErrorReport(nullptr); }
    void ShowError(const std::string& text, const std::string& caption) override { calls.emplace_back(text, caption); }
    std::vector<std::pair<std::string, std::string>> calls;
};
