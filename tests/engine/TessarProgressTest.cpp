#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "engine/testsupport/RecordingTessarProgress.h"
#include "engine/unTessarRgPub.h"
#include "tests/engine/ExportTestUtil.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every sheet takes at least a millisecond to report; records when the exporter processes messages
// once the sheets have begun.
class PacedProgress : public TRecordingTessarProgress {
public:
    std::vector<Clock::time_point> DuringSheets;
    uint32_t Steps = 0;

    void IncPartsByOne() override {
        TRecordingTessarProgress::IncPartsByOne();
        ++Steps;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void ProcessMessages() override {
        TRecordingTessarProgress::ProcessMessages();
        if (Steps > 0) DuringSheets.push_back(Clock::now());
    }
};

constexpr uint32_t kSheets = 60;

TStandardTessarols Standard() {
    TStandardTessarols t;
    GetTessarols5k({{116, 0, 0}, {39, 0, 0}, {116, 18, 45}, {39, 7, 30}}, false, true, 117, t);
    return t;
}

TCustomTessarols Grid() {
    TCustomTessarols g(6);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 10; ++c)
            g[r].push_back({std::to_string(r) + "-" + std::to_string(c), c * 500.0, r * 500.0, c * 500.0 + 500,
                            r * 500.0 + 500});
    return g;
}

// Messages are processed during a long export, but not after every sheet: at most once in 20 ms,
// while the bar advances by one part for every sheet.
TEST(ExportProgress, MessagesAtMostEvery20MsAndTheBarOncePerSheet) {
    const std::string dir = TestDir("progress");
    const TStandardTessarols sheets = Standard();
    const TCustomTessarols grid = Grid();
    ASSERT_EQ(sheets.size() * sheets[0].size(), kSheets);
    const char* const header = "a,b,c,d,e";
    const std::pair<const char*, std::function<void()>> exports[] = {
        {"MIF metres", [&] { EXPECT_TRUE(SaveTessarolsToMif(dir + "/m.mif", sheets, true)); }},
        {"MIF degrees", [&] { EXPECT_TRUE(SaveTessarolsToMifLL(dir + "/l.mif", sheets)); }},
        {"MIF grid", [&] { EXPECT_TRUE(SaveCustomTessarolsToMif(dir + "/g.mif", grid)); }},
        {"workbook", [&] { ExportTessarolsToExcel(dir + "/s.xlsx", "", header, sheets, false, true, false); }},
        {"grid workbook", [&] { ExportCustomTessarolsToExcel(dir + "/g.xlsx", "", header, grid, true, false); }},
    };
    for (auto& [name, run] : exports) {
        PacedProgress p;
        SetTessarProgress(&p);
        run();
        SetTessarProgress(nullptr);
        ASSERT_EQ(p.Dialogs.size(), 1u) << name;
        EXPECT_EQ(p.Steps, kSheets) << name;
        EXPECT_EQ(p.Dialogs[0].PartsComplete, kSheets) << name;
        EXPECT_EQ(p.Dialogs[0].Percent, 100) << name;
        // The first sheet processes at once; with a millisecond a sheet, 60 sheets span three periods.
        EXPECT_GE(p.DuringSheets.size(), 3u) << name;
        // The exporter reads its clock a moment before this progress does, so allow that moment.
        for (size_t i = 1; i < p.DuringSheets.size(); ++i)
            EXPECT_GE(p.DuringSheets[i] - p.DuringSheets[i - 1], std::chrono::microseconds(19500)) << name << " " << i;
    }
}

}  // namespace
