// The installed export progress and the message pump of the exports.
#include <chrono>
#include <cstdint>

#include "engine/TessarInternal.h"

namespace {

class SilentProgress : public ITessarProgress {
public:
    void NewDialog() override {}
    std::string Caption() override { return ""; }
    void SetCaption(const std::string&) override {}
    void SetTotalParts(uint32_t) override {}
    void IncPartsByOne() override {}
    void SetButtonEnabled(bool) override {}
    void Show() override {}
    void ProcessMessages() override {}
    void SetHourglass(bool) override {}
};

SilentProgress g_silentProgress;
ITessarProgress* g_progress = &g_silentProgress;

}  // namespace

void SetTessarProgress(ITessarProgress* progress) { g_progress = progress ? progress : &g_silentProgress; }

ITessarProgress& TessarProgress() { return *g_progress; }

void TessarMessagePump::Tick() {
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
    if (last_ != INT64_MIN && now - last_ < 20000000) return;
    last_ = now;
    TessarProgress().ProcessMessages();
}
