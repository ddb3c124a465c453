#include "engine/testsupport/RecordingTessarProgress.h"

#include <stdexcept>

#include "platform/rtl/SysUtils.h"

void TRecordingTessarProgress::Log(const std::string& call) {
    if (!Calls.empty() && Calls.back().first == call)
        ++Calls.back().second;
    else
        Calls.emplace_back(call, 1);
}

std::string TRecordingTessarProgress::CallText() const {
    std::string t;
    for (auto& [call, n] : Calls) {
        if (!t.empty()) t += "; ";
        t += call;
        if (n > 1) t += " x" + std::to_string(n);
    }
    return t;
}

TRecordingTessarProgress::Dialog& TRecordingTessarProgress::Current() {
    if (Dialogs.empty()) throw std::logic_error("progress used before a dialog was created");
    return Dialogs.back();
}

void TRecordingTessarProgress::NewDialog() {
    Log("NewDialog");
    Dialogs.emplace_back();
}

std::string TRecordingTessarProgress::Caption() {
    Log("Caption");
    return Current().Caption;
}

void TRecordingTessarProgress::SetCaption(const std::string& caption) {
    Log("SetCaption");
    Current().Caption = caption;
}

void TRecordingTessarProgress::SetTotalParts(uint32_t total) {
    Log("SetTotalParts " + std::to_string(total));
    Dialog& d = Current();
    if (d.TotalParts == total) return;
    d.TotalParts = total;
    d.PartsComplete = 0;
    d.Percent = 0;
}

void TRecordingTessarProgress::IncPartsByOne() {
    Log("IncPartsByOne");
    Dialog& d = Current();
    uint32_t v = d.PartsComplete + 1;
    if (v != d.PartsComplete) d.PartsComplete = v > d.TotalParts ? d.TotalParts : v;
    // Halves go to the even neighbour; a total of 0 keeps the bar at 0 %.
    if (d.TotalParts != 0)
        d.Percent = static_cast<uint16_t>(Round(static_cast<double>(d.PartsComplete) / d.TotalParts * 100));
}

void TRecordingTessarProgress::SetButtonEnabled(bool enabled) {
    Log(enabled ? "EnableButton" : "DisableButton");
    Current().ButtonEnabled = enabled;
}

void TRecordingTessarProgress::Show() {
    Log("Show");
    Current().Visible = true;
}

void TRecordingTessarProgress::ProcessMessages() {
    Log("ProcessMessages");
    ++MessagesProcessed;
}

void TRecordingTessarProgress::SetHourglass(bool on) {
    Log(on ? "Hourglass" : "DefaultCursor");
    Hourglass = on;
}
