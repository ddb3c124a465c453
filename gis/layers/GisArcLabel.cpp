#include "gis/layers/GisArcLabel.h"

#include <algorithm>
#include <cmath>

#include "gis/core/GisDefs.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"
#include "platform/ui/Graphics.h"

namespace {

constexpr int kMinStep = 5;  // screen points nearer than this to the last one kept are dropped
constexpr int kOffChord = 16777215;
constexpr BYTE kHebrewCharset = 177, kArabicCharset = 178;

int Rnd(double v) { return int(std::lround(v)); }

double Length(const TPoint& a, const TPoint& b) { return std::hypot(double(a.X) - b.X, double(a.Y) - b.Y); }

}  // namespace

int T_arcLabel::Distance(const TPoint& a, const TPoint& b) { return a == b ? 0 : Rnd(Length(a, b)); }

TPoint T_arcLabel::MoveTowards(const TPoint& a, const TPoint& b, int d) {
    if (a == b) return a;
    const double len = Length(a, b);
    const int ox = Rnd(d * std::fabs(double(a.X) - b.X) / len), oy = Rnd(d * std::fabs(double(a.Y) - b.Y) / len);
    return {b.X >= a.X ? a.X + ox : a.X - ox, b.Y >= a.Y ? a.Y + oy : a.Y - oy};
}

int T_arcLabel::ChordDeviation(const TPoint& a, const TPoint& b, const TPoint& p) {
    if (a == b) return Distance(a, p);
    const double ax = a.X, ay = a.Y, bx = b.X, by = b.Y, px = p.X, py = p.Y;
    const double l2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
    const double r = ((ay - py) * (ay - by) - (ax - px) * (bx - ax)) / l2;
    const double s = ((ay - py) * (bx - ax) - (ax - px) * (by - ay)) / l2;
    if (r < 0 || r > 1) return kOffChord;
    return -Rnd(s * std::sqrt(l2));
}

void T_arcLabel::OffsetChord(TPoint& s, TPoint& e, int d) {
    int ox = 0, oy = -d;
    if (s.Y != e.Y) {
        const double a = M_PI / 2 - std::atan(std::fabs(double(s.X) - e.X) / std::fabs(double(s.Y) - e.Y));
        ox = Rnd(std::sin(a) * -d);
        oy = Rnd(std::cos(a) * -d);
    }
    const int dy = e.X >= s.X ? -oy : oy, dx = e.Y >= s.Y ? ox : -ox;
    s.Y += dy;
    e.Y += dy;
    s.X += dx;
    e.X += dx;
}

int T_arcLabel::ChordAngle(const TPoint& s, const TPoint& e) {
    return Rnd(std::atan2(double(s.Y) - e.Y, double(e.X) - s.X) * 180 / M_PI) * 10;
}

T_arcLabel::T_arcLabel(TGIS_Shape* shape, TGIS_Shape* screenShape, int part)
    : Shape(shape), ScreenShape(screenShape), Viewer(shape->GetViewer()), Layer(shape->Layer), Part(part) {
    TGIS_ParamsSectionVector* params = shape->GetParams();
    if (!params) return;  // a shape outside any layer has no style and no viewer: nothing to draw
    TGIS_ParamsLabel& labels = params->Labels();
    Text = !labels.Value().empty() ? labels.Value()
           : labels.Field().empty() ? std::string()
                                    : VarToStr(shape->GetField(labels.Field()));
    if (Viewer && Viewer->Zoom() > 0) {
        // The line's own width and both outlines, each by its own size convention.
        const TGIS_ParamsLine& line = params->Line();
        Offset = (Viewer->TwipsToPixels(line.Width()) + 2 * Viewer->TwipsToPixels(line.OutlineWidth())) / 2;
    }
}

void T_arcLabel::PrepareScreenPoints() {
    PointCount = 0;
    if (!ScreenShape->HasGeometry() || Part < 0 || Part >= ScreenShape->GetNumParts()) return;
    const int n = ScreenShape->GetPartSize(Part);
    if (n <= 0) return;
    points_ = Viewer->PointBuffer();
    // A part with more points than the shared buffer holds is searched as far as the buffer reaches.
    auto store = [this](const TPoint& q) {
        if (PointCount < GIS_MAX_DRAW_POINTS) points_[PointCount++] = q;
    };
    store(Viewer->MapToScreen(ScreenShape->GetPoint(Part, 0)));
    for (int i = 1; i < n && PointCount < GIS_MAX_DRAW_POINTS; ++i) {
        const TPoint q = Viewer->MapToScreen(ScreenShape->GetPoint(Part, i));
        if (Distance(points_[PointCount - 1], q) >= kMinStep) store(q);
    }
    const TPoint last = Viewer->MapToScreen(ScreenShape->GetPoint(Part, n - 1));
    if (Distance(points_[PointCount - 1], last) > kMinStep) {
        if (PointCount == GIS_MAX_DRAW_POINTS) --PointCount;
        store(last);
    }
}

int T_arcLabel::PathLength() const {
    int total = 0;
    for (int i = 1; i < PointCount; ++i) total += Distance(points_[i - 1], points_[i]);
    return total;
}

int T_arcLabel::SegmentAtDistance(int d) const {
    int sum = 0;
    for (int i = 0; i + 1 < PointCount; ++i) {
        sum += Distance(points_[i], points_[i + 1]);
        if (sum > d) return i;
    }
    return -1;
}

int T_arcLabel::FindChord(int i, int width, TPoint& start, TPoint& end, int limit) const {
    if (i < 0 || i >= PointCount) return -1;
    start = points_[i];
    int walked = 0, last = -1;
    for (int k = i + 1; k < PointCount; ++k) {
        // A point far enough ends the chord even on the step that passes the limit: otherwise a line of
        // a single long segment could never carry its label.
        if (Distance(start, points_[k]) >= width) {
            last = k;
            break;
        }
        walked += Distance(points_[k - 1], points_[k]);
        if (walked > limit) return -1;
    }
    if (last < 0) return -1;
    end = points_[last];
    int worst = 0;
    for (int k = i; k <= last; ++k) worst = std::max(worst, std::abs(ChordDeviation(start, end, points_[k])));
    return worst;
}

void T_arcLabel::Draw() {
    if (!Viewer || Viewer->Zoom() <= 0 || !ScreenShape->HasGeometry() || Text.empty()) return;
    TCanvas* canvas = Viewer->GetCanvas();
    if (!canvas) return;
    PrepareScreenPoints();
    if (PointCount < 2) return;

    TGIS_ParamsLabel& labels = Shape->GetParams()->Labels();
    canvas->Font()->Assign(labels.Font());
    if (Layer) canvas->Font()->SetCharset(TFontCharset(Layer->GetCharSet()));
    canvas->Brush()->SetStyle(bsClear);
    const TColor fontColor = TColor(GisNonZeroColor(uint32_t(labels.Font().Color())));
    canvas->Font()->SetColor(fontColor);
    const int tw = canvas->TextWidth(Text);
    TextHeight = canvas->TextHeight(Text);
    const int th = TextHeight;

    const int total = PathLength();
    const int margin = std::max(0, (2 * ((total - tw) / 2)) / 3);
    const int limit = std::min(total, total - margin);
    int seg = SegmentAtDistance(margin);
    if (seg < 0) return;

    TPoint s, e;
    bool reversed = false;
    for (;;) {
        const int d = FindChord(seg, tw, s, e, limit);
        if (d < 0) return;
        ++seg;
        if (d > th / 3) continue;
        OffsetChord(s, e, d + Offset);
        reversed = e.X < s.X || (e.X == s.X && s.Y > e.Y);
        if (reversed) std::swap(s, e);
        const int len = Distance(s, e);
        s = MoveTowards(s, e, (len - tw) / 2);
        e = MoveTowards(s, e, tw);
        TPoint t1 = s, t2 = e;
        OffsetChord(t1, t2, reversed ? -th : th);
        if (!labels.Allocator()) break;
        if (Viewer->LabelsArea()->AllocateBox(Viewer->ScreenToMap(s), Viewer->ScreenToMap(e),
                                              Viewer->ScreenToMap(t1), Viewer->ScreenToMap(t2)))
            break;
    }

    // A reversed chord has its box on the line's other side, above S: the text hangs from its bottom edge
    // there, so that what is drawn is what was reserved.
    UINT align = reversed ? (TA_LEFT | TA_BOTTOM) : (TA_LEFT | TA_TOP);
    const BYTE charset = BYTE(canvas->Font()->Charset());
    if (charset == kHebrewCharset || charset == kArabicCharset) align |= TA_RTLREADING;
    const UINT oldAlign = canvas->SetTextAlign(align);
    canvas->Font()->SetEscapement(ChordAngle(s, e));

    if (TColor(labels.Color()) != TColor(labels.Font().Color())) {
        const bool printer = Viewer->OutputMode() == gisOutputPrinter;
        const int w = printer ? std::max(1, canvas->Font()->PixelsPerInch() / 96) : 1;
        canvas->Font()->SetColor(TColor(labels.Color()));
        for (int i = 1; i <= w; ++i) {
            static const int kSides[][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
            for (int k = 0; k < (printer ? 8 : 4); ++k)
                canvas->TextOut(s.X + kSides[k][0] * i, s.Y + kSides[k][1] * i, Text);
        }
        canvas->Font()->SetColor(fontColor);
    }
    canvas->TextOut(s.X, s.Y, Text);
    canvas->SetTextAlign(oldAlign);
    canvas->Font()->SetEscapement(0);  // the canvas's next text is level again
}

void GisDrawArcLabel(TGIS_Shape* shape, TGIS_Shape* screenShape, int part) {
    QM_ASSERT(dynamic_cast<TGIS_ShapeArc*>(shape) != nullptr, "Assertion failure");
    T_arcLabel label(shape, screenShape, part);
    label.Draw();
}
