// 100,000 CGM markers (a filled 40-point polygon) at random points and a line of the same symbol along a
// 100,000-vertex polyline, drawn onto a 1920 x 1080 bitmap; in the same run the platform canvas draws the
// same polygons already transformed, which bounds what the symbols can reach.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "gis/layers/GisSymbol.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

constexpr int kMarkers = 100000, kVertices = 100000, kWidth = 1920, kHeight = 1080, kCorners = 40;
// Markers 16 pixels high; the line's symbols 8 pixels apart on top of that.
constexpr int kSizePx = 16, kGapPx = 8;

struct Scene {
    BenchTempDir dir{"qm-symbols-bench"};
    std::unique_ptr<TBitmap> bitmap;
    std::unique_ptr<TGIS_Viewer> viewer;
    TGIS_SymbolAbstract* symbol = nullptr;
    std::vector<TPoint> markers, line;
    // The polygons each drawing gives, transformed beforehand.
    std::vector<TPoint> markerPolygons, linePolygons;
};

// Records where the line's symbols go and at which angle.
class Placements : public TGIS_SymbolAbstract {
public:
    explicit Placements(const TGIS_SymbolAbstract& like) : TGIS_SymbolAbstract("placements"), w_(like.Width), h_(like.Height) {}
    int NaturalWidth() const override { return w_; }
    int NaturalHeight() const override { return h_; }
    void SetAngle(double a) override {
        TGIS_SymbolAbstract::SetAngle(a);
        angle_ = a;
    }
    void Draw(int x, int y) override { at.push_back({x, y, angle_}); }
    struct Stamp {
        int x, y;
        double angle;
    };
    std::vector<Stamp> at;

private:
    int w_, h_;
    double angle_ = 0;
};

void AppendPolygon(const TGIS_SymbolAbstract& s, int x, int y, std::vector<TPoint>& out) {
    for (int k = 0; k < kCorners; ++k) {
        const double t = 2 * M_PI * k / kCorners;
        const TPoint q = s.RotatePoint(std::round(40 * std::cos(t)), -std::round(40 * std::sin(t)));
        out.emplace_back(x + s.AnchorX + q.X, y + s.AnchorY + q.Y);
    }
}

Scene& TheScene() {
    static Scene s;
    static bool made = [] {
        Scene& c = s;
        UiTest::Init();
        std::string cgm = "BEGMF 'marker';VDCEXT -50 -50 50 50;COLRTABLE 1 200 30 30;FILLCOLR 1;EDGECOLR 1;"
                          "INTSTYLE SOLID;POLYGON";
        for (int k = 0; k < kCorners; ++k) {
            const double t = 2 * M_PI * k / kCorners;
            cgm += " " + std::to_string(std::lround(40 * std::cos(t))) + " " + std::to_string(std::lround(40 * std::sin(t)));
        }
        DiskWriteAll(c.dir.Path() + "/marker.cgm", cgm + ";ENDMF;");
        c.bitmap = std::make_unique<TBitmap>(kWidth, kHeight, pf32bit);
        c.viewer = std::make_unique<TGIS_Viewer>(nullptr);
        c.viewer->SetTargetBitmap(c.bitmap.get());
        c.viewer->SetOutputMode(gisOutputBitmap);
        c.symbol = GisSymbolList().Prepare(c.dir.Path() + "/marker.cgm");

        std::mt19937 rng(18);
        std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), turn(-40, 40);
        for (int i = 0; i < kMarkers; ++i) c.markers.emplace_back(x(rng), y(rng));
        // A random walk that stays on the bitmap, 30 pixels a step.
        double px = kWidth / 2.0, py = kHeight / 2.0, heading = 0;
        for (int i = 0; i < kVertices; ++i) {
            c.line.emplace_back(int(px), int(py));
            heading += turn(rng) * M_PI / 180;
            px += 30 * std::cos(heading);
            py += 30 * std::sin(heading);
            if (px < 0 || px >= kWidth || py < 0 || py >= kHeight) {
                heading += M_PI;
                px = std::clamp(px, 0.0, kWidth - 1.0);
                py = std::clamp(py, 0.0, kHeight - 1.0);
            }
        }

        c.symbol->Prepare(c.viewer.get(), -kSizePx, 4, 0, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
        for (const TPoint& p : c.markers) AppendPolygon(*c.symbol, p.X, p.Y, c.markerPolygons);
        c.symbol->Prepare(c.viewer.get(), -kSizePx, 4, -kGapPx, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
        Placements where(*c.symbol);
        where.Prepare(c.viewer.get(), -kSizePx, 4, -kGapPx, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
        GisDrawSymbolLine(where, c.line.data(), int(c.line.size()));
        for (const auto& st : where.at) {
            c.symbol->SetAngle(st.angle);
            AppendPolygon(*c.symbol, st.x, st.y, c.linePolygons);
        }
        return true;
    }();
    (void)made;
    return s;
}

void Clear(Scene& s) {
    s.bitmap->Canvas()->Brush()->SetColor(clWhite);
    s.bitmap->Canvas()->Brush()->SetStyle(bsSolid);
    s.bitmap->Canvas()->FillRect(TRect(0, 0, kWidth, kHeight));
}

void SetCanvasStyle(TCanvas* c) {
    c->Brush()->SetColor(RGB(200, 30, 30));
    c->Brush()->SetStyle(bsSolid);
    c->Pen()->SetColor(RGB(200, 30, 30));
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
}

// Each iteration draws on a white bitmap; clearing it is not timed.
template <class Draw>
void Timed(benchmark::State& state, int64_t symbols, Draw draw) {
    Scene& s = TheScene();
    for (auto _ : state) {
        state.PauseTiming();
        Clear(s);
        state.ResumeTiming();
        draw(s);
    }
    state.SetItemsProcessed(state.iterations() * symbols);
}

void Polygons(Scene& s, const std::vector<TPoint>& polygons) {
    TCanvas* c = s.bitmap->Canvas();
    SetCanvasStyle(c);
    for (size_t i = 0; i + kCorners <= polygons.size(); i += kCorners) c->Polygon(&polygons[i], kCorners);
}

void DrawPolygons(benchmark::State& state, const std::vector<TPoint>& polygons) {
    Timed(state, int64_t(polygons.size() / kCorners), [&](Scene& s) { Polygons(s, polygons); });
}

void DrawMarkers(Scene& s) {
    s.symbol->Prepare(s.viewer.get(), -kSizePx, 4, 0, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
    for (const TPoint& p : s.markers) s.symbol->Draw(p.X, p.Y);
    s.symbol->Unprepare();
}

void DrawLine(Scene& s) {
    s.symbol->Prepare(s.viewer.get(), -kSizePx, 4, -kGapPx, 0, GIS_SYMBOL_NO_COLOR, GIS_SYMBOL_NO_COLOR);
    GisDrawSymbolLine(*s.symbol, s.line.data(), int(s.line.size()));
    s.symbol->Unprepare();
}

void CgmMarkers(benchmark::State& state) { Timed(state, kMarkers, DrawMarkers); }

void CanvasMarkers(benchmark::State& state) { DrawPolygons(state, TheScene().markerPolygons); }

void CgmSymbolLine(benchmark::State& state) { Timed(state, int64_t(TheScene().linePolygons.size() / kCorners), DrawLine); }

void CanvasSymbolLine(benchmark::State& state) { DrawPolygons(state, TheScene().linePolygons); }

BENCHMARK(CgmMarkers)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(CanvasMarkers)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(CgmSymbolLine)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(CanvasSymbolLine)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

// The lower bound must draw what the symbols draw, pixel for pixel.
bool SamePictures() {
    Scene& s = TheScene();
    auto picture = [&s](const std::function<void(Scene&)>& draw) {
        Clear(s);
        draw(s);
        std::string bytes;
        for (int y = 0; y < kHeight; ++y)
            bytes.append(static_cast<const char*>(s.bitmap->ScanLine(y)), size_t(s.bitmap->BytesPerScanLine()));
        return bytes;
    };
    auto polygons = [](const std::vector<TPoint>& p) { return [&p](Scene& s) { Polygons(s, p); }; };
    const bool markers = picture(DrawMarkers) == picture(polygons(s.markerPolygons));
    const bool line = picture(DrawLine) == picture(polygons(s.linePolygons));
    if (!markers || !line) std::fprintf(stderr, "the canvas does not draw what the symbols draw\n");
    return markers && line;
}

int main(int argc, char** argv) {
    RatioReporter reporter;
    reporter.AddRatio("CGM markers / canvas polygons", "CgmMarkers", "CanvasMarkers", "(goal: at most 1.3)");
    reporter.AddRatio("symbol line / canvas polygons", "CgmSymbolLine", "CanvasSymbolLine", "(goal: at most 1.3)");
    return RunWithRatios(argc, argv, reporter,
                         [] { return !TheScene().dir.Path().empty() && TheScene().symbol && SamePictures(); });
}
