// Drawing pieces every shape type shares: markers, handle and overlay presets, vertex handles, repaint requests
// and label text.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisArcLabel.h"
#include "gis/layers/GisBitmap.h"
#include "gis/layers/GisChart.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisSymbol.h"
#include "platform/ui/Graphics.h"

namespace {

// s / k towards zero; a divisor 0 is no offset.
int Offset(int s, int k) { return k == 0 ? 0 : s / k; }

// A shape given as (a, b) divisor pairs: (cx + s/a, cy - s/b).
template <size_t N>
void DrawOutline(TCanvas& canvas, const TPoint& c, int s, const int (&d)[N][2]) {
    TPoint pts[N];
    for (size_t i = 0; i < N; ++i) pts[i] = TPoint{c.X + Offset(s, d[i][0]), c.Y - Offset(s, d[i][1])};
    canvas.Polygon(pts, int(N));
}

void SetPreset(TCanvas& canvas, TColor brush, TColor pen, TPenStyle penStyle) {
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(TColor(GisNonZeroColor(uint32_t(brush))));
    canvas.Pen()->SetStyle(penStyle);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetColor(TColor(GisNonZeroColor(uint32_t(pen))));
}

// Formats with "%" + format; false when the format does not suit the value or cannot be trusted with it.
bool TryFormat(const std::string& format, const TFormatArg& arg, std::string& out) {
    // A "*" would take its width from the value itself.
    if (format.find('*') != std::string::npos) return false;
    try {
        out = Format("%" + format, {arg});
        return true;
    } catch (const Exception&) {
        return false;
    }
}

}  // namespace

void GisDrawMarker(TCanvas& canvas, const TPoint& c, int size, uint8_t style) {
    const int s = std::max(size, 2);
    canvas.SetBkMode(TRANSPARENT);
    static const int cross[12][2] = {{-8, -2}, {-8, -8}, {-2, -8}, {-2, 8}, {-8, 8}, {-8, 2},
                                     {8, 2},   {8, 8},   {2, 8},   {2, -8}, {8, -8}, {8, -2}};
    static const int diagCross[12][2] = {{-4, -2}, {-2, -4}, {-4, 0}, {-2, 4}, {-4, 2}, {0, 4},
                                         {4, 2},   {2, 4},   {4, 0},  {2, -4}, {4, -2}, {0, -4}};
    // Up, down, left, right.
    static const int triangles[4][3][2] = {{{-2, -2}, {0, 2}, {2, -2}},
                                           {{0, -2}, {-2, 2}, {2, 2}},
                                           {{-2, 0}, {2, 2}, {2, -2}},
                                           {{-2, 2}, {2, 0}, {-2, -2}}};
    switch (style) {
    case gisMarkerCircle:
        canvas.Ellipse(c.X - s / 2, c.Y - s / 2, c.X + s / 2, c.Y + s / 2);
        break;
    case gisMarkerCross:
        DrawOutline(canvas, c, s, cross);
        break;
    case gisMarkerDiagCross:
        DrawOutline(canvas, c, s, diagCross);
        break;
    case gisMarkerTriangleUp:
    case gisMarkerTriangleDown:
    case gisMarkerTriangleLeft:
    case gisMarkerTriangleRight:
        DrawOutline(canvas, c, s, triangles[style - gisMarkerTriangleUp]);
        break;
    default:
        canvas.Rectangle(c.X - s / 2, c.Y - s / 2, c.X + s / 2, c.Y + s / 2);
        break;
    }
}

void GisSetHandleStyle(TCanvas& canvas) { SetPreset(canvas, clYellow, clBlack, psSolid); }
void GisSetEditOutlineStyle(TCanvas& canvas) { SetPreset(canvas, clBlack, clYellow, psDot); }
void GisSetEditVertexStyle(TCanvas& canvas) { SetPreset(canvas, clLime, clBlack, psSolid); }
void GisSetEditOtherPartStyle(TCanvas& canvas) { SetPreset(canvas, clBlue, clBlack, psSolid); }
void GisSetEditCurrentStyle(TCanvas& canvas) { SetPreset(canvas, clRed, clBlack, psSolid); }

std::string GisFormatLabelValue(const Variant& value, const std::string& format) {
    if (format.empty()) return VarToStr(value);
    std::string out;
    switch (value.VarType()) {
    case varSmallint:
    case varInteger:
        if (TryFormat(format, TFormatArg(value.AsInteger()), out)) return out;
        break;
    case varSingle:
    case varDouble:
        if (TryFormat(format, TFormatArg(value.AsDouble()), out)) return out;
        break;
    case varString:
        if (TryFormat(format, TFormatArg(value.StrRef()), out)) return out;
        break;
    case varDate:
        try {
            return FormatDateTime(format, value.AsDate());
        } catch (const EConvertError&) {
        }
        break;
    default:
        break;
    }
    // A format that does not suit the value would fail on every repaint: the value stands as text instead.
    return VarToStr(value);
}

std::string GisFormatLabelText(const std::string& templ, const TGIS_FieldLookup& field) {
    if (templ.empty() || templ[0] != ':') return VarToStr(field(templ));
    enum { Text, Escape, Name, FieldFormat } state = Text;
    std::string text, name, format;
    for (size_t i = 1; i < templ.size(); ++i) {
        const char ch = templ[i];
        switch (state) {
        case Text:
            if (ch == '<')
                state = Name;
            else if (ch == '\\')
                state = Escape;
            else
                text += ch;
            break;
        case Escape:
            text += ch == 'n' ? '\r' : ch;
            state = Text;
            break;
        case Name:
            if (ch == ':') {
                state = FieldFormat;
            } else if (ch == '>') {
                text += VarToStr(field(name));
                name.clear();
                state = Text;
            } else {
                name += ch;
            }
            break;
        case FieldFormat:
            if (ch == ' ') break;
            if (ch == '>') {
                text += GisFormatLabelValue(field(name), format);
                name.clear();
                format.clear();
                state = Text;
            } else {
                format += ch;
            }
            break;
        }
    }
    return text;
}

std::string TGIS_Shape::FormatLabelText(const std::string& templ) {
    return GisFormatLabelText(templ, [this](const std::string& name) { return GetField(name); });
}

void TGIS_Shape::DrawSelected() {
    TGIS_Viewer* v = GetViewer();
    if (Deleted || !HasGeometry() || !v || Zoom() <= 0) return;
    TCanvas* canvas = v->GetCanvas();
    if (!canvas) return;
    const int h = v->TwipsToPixels(-3);
    GisSetHandleStyle(*canvas);
    TPoint last{0, 0};
    for (int part = 0; part < GetNumParts(); ++part)
        for (int i = 0; i < GetPartSize(part); ++i) {
            const TGIS_Point m = GetPoint(part, i);
            // A vertex far outside the view has no pixel position worth a handle.
            const TGIS_Point f = v->MapToScreenF(m);
            if (!(std::abs(f.X) < 16000 && std::abs(f.Y) < 16000)) continue;
            const TPoint p = v->MapToScreen(m);
            if (std::abs(p.X - last.X) + std::abs(p.Y - last.Y) < 5) continue;
            canvas->Rectangle(p.X - h, p.Y - h, p.X + h, p.Y + h);
            last = p;
        }
}

void TGIS_Shape::Invalidate(bool erase) {
    if (TGIS_Viewer* v = GetViewer()) v->InvalidateExtent(GetDrawExtent(), erase);
}

TGIS_Shape* TGIS_Shape::PrepareDraw(bool force, std::unique_ptr<TGIS_Shape>& copy) {
    copy.reset();
    TGIS_Viewer* v = GetViewer();
    const double zoom = Zoom();
    if (!v || !(zoom > 0) || !HasGeometry()) return nullptr;
    if (!force) {
        const TGIS_Extent e = GetPointsExtent();
        if ((e.XMax - e.XMin) * zoom < 16000 && (e.YMax - e.YMin) * zoom < 16000) return this;
    }
    TGIS_Extent clip = force ? v->GetVisibleExtent() : v->ScreenToMapRect(TRect(-16000, -16000, 16000, 16000));
    if (v->Projection() && Layer) clip = Layer->UnprojectExtent(clip);
    // The clip works on stored coordinates, unprojected.
    const int16_t lock = LockLevel;
    LockLevel = 2;
    try {
        copy = Clip(clip);
    } catch (...) {
        LockLevel = lock;
        throw;
    }
    LockLevel = lock;
    return copy.get();
}

TGIS_Shape* TGIS_Shape::BeginDraw(std::unique_ptr<TGIS_Shape>& copy, TGIS_ParamsSectionVector*& params) {
    TGIS_Viewer* v = GetViewer();
    params = GetParams();
    if (Deleted || !HasGeometry() || !v || !params || !v->GetCanvas()) return nullptr;
    return PrepareDraw(false, copy);
}

void TGIS_Shape::AlignMarkerBrush(TGIS_ParamsMarker& marker) {
    TGIS_Viewer* v = GetViewer();
    TCanvas* canvas = v ? v->GetCanvas() : nullptr;
    if (!canvas || (marker.Pattern() < 2 && !marker.Bitmap())) return;
    const TRect r = v->MapToScreenRect(GetProjectedExtent());
    int w = 8, h = 8;
    if (TGIS_Bitmap* b = marker.Bitmap(); b && b->Width() > 0 && b->Height() > 0) {
        w = b->Width();
        h = b->Height();
    }
    canvas->SetBrushOrg(r.Left % w, r.Top % h);
}

void TGIS_ShapePoint::Draw() {
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsSectionVector* params = GetParams();
    if (Deleted || !HasGeometry() || !v || !params || !(Zoom() > 0) || !v->GetCanvas()) return;
    TGIS_ParamsMarker& marker = params->Marker();
    const TPoint p = v->MapToScreen(GetPoint(0, 0));
    if (TGIS_SymbolAbstract* symbol = marker.Symbol()) {
        symbol->Prepare(v, marker.Size(), 4, 0, marker.SymbolRotate(), marker.OutlineColor(), marker.Color());
        symbol->Draw(p.X, p.Y);
        symbol->Unprepare();
        return;
    }
    AlignMarkerBrush(marker);
    const int size = v->TwipsToPixels(marker.Size());
    if (size <= 0) return;
    marker.PrepareOutlinePen(*v);
    marker.PrepareBrush(*v);
    GisDrawMarker(*v->GetCanvas(), p, size, marker.Style());
}

void TGIS_ShapeMultipoint::Draw() {
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_ParamsSectionVector* params = nullptr;
    TGIS_Shape* shape = BeginDraw(copy, params);
    if (!shape) return;
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsMarker& marker = params->Marker();
    AlignMarkerBrush(marker);
    marker.PrepareOutlinePen(*v);
    marker.PrepareBrush(*v);
    const int size = v->TwipsToPixels(marker.Size());
    if (size <= 0) return;
    for (int i = 0; i < shape->GetPartSize(0); ++i)
        GisDrawMarker(*v->GetCanvas(), v->MapToScreen(shape->GetPoint(0, i)), size, marker.Style());
}

namespace {

// The two blink styles; they apply to the flashed copy alone.
void FlashStyle(TGIS_Viewer& v, TGIS_ParamsSectionVector& s, bool highlight) {
    const uint32_t colour = highlight ? clRed : clYellow, outline = highlight ? clYellow : clRed;
    GisPlainStyle(s, [colour](uint32_t) { return colour; }, [outline](uint32_t) { return outline; });
    if (highlight) {
        if (v.TwipsToPixels(s.Line().Width()) < 3) s.Line().SetWidth(-3);
        if (v.TwipsToPixels(s.Marker().Size()) < 5) s.Marker().SetSize(-5);
    } else {
        s.Marker().SetSize(-8);
    }
}

}  // namespace

void TGIS_Shape::Flash() {
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsSectionVector* params = GetParams();
    if (!v || !params || Deleted || !HasGeometry()) return;
    std::unique_ptr<TGIS_Shape> copy = CreateCopy();
    auto style = std::make_unique<TGIS_ParamsSectionVector>();
    style->Assign(*params);
    TGIS_ParamsSectionVector& s = *style;
    copy->SetOwnParams(std::move(style));
    if (v->OutputMode() != gisOutputWindow) {
        FlashStyle(*v, s, true);
        copy->Draw();
        return;
    }
    for (int round = 0; round < 4; ++round)
        for (bool highlight : {true, false}) {
            FlashStyle(*v, s, highlight);
            copy->Draw();
            // Each round is seen; the loop takes no input, so the user cannot act on the map meanwhile.
            v->ShowSurface();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    v->InvalidateExtent(copy->GetProjectedExtent(), false);
}

namespace {

// Where labels and charts of a shape stand on the screen: its label point, taken on the visible part of the shape
// when the whole view is painted and the label flows. False when there is no such point worth a pixel.
bool ScreenAnchor(TGIS_Shape& shape, TGIS_Viewer& v, const TGIS_ParamsLabel& label, TPoint& anchor) {
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_Shape* s = &shape;
    if (v.FullPaint() && (label.Position() & gisLabelFlow)) {
        s = shape.PrepareDraw(true, copy);
        if (!s) return false;
    }
    TGIS_Point f;
    const TPoint q = v.MapToScreen(s->LabelPoint(), f);
    if (!(std::abs(f.X) < 1e9 && std::abs(f.Y) < 1e9)) return false;
    anchor = q;
    return true;
}

}  // namespace

void TGIS_Shape::DrawChart() {
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsSectionVector* params = GetParams();
    if (Deleted || !HasGeometry() || !v || !params || !(Zoom() > 0)) return;
    TCanvas* canvas = v->GetCanvas();
    if (!canvas) return;
    TGIS_ParamsChart& chart = params->Chart();
    const int size = v->TwipsToPixels(chart.Size());
    TPoint a;
    if (size <= 0 || !ScreenAnchor(*this, *v, params->Labels(), a)) return;
    GisDrawChart(*canvas, a, size, chart.Values(), chart.Style());
}

void TGIS_Shape::DrawLabel() {
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsSectionVector* params = GetParams();
    if (Deleted || !HasGeometry() || !v || !params || !(Zoom() > 0) || !v->LabelsArea()) return;
    TCanvas* canvas = v->GetCanvas();
    if (!canvas) return;
    TGIS_ParamsLabel& label = params->Labels();
    const int32_t smart = SmartSizeOf(label.SmartSizeField(), label.SmartSize());
    if (smart > 0 && ShapeType() != gisShapeTypePoint) {
        const TGIS_Extent e = GetPointsExtent();
        if (!((e.XMax - e.XMin + e.YMax - e.YMin) * Zoom() > v->TwipsToPixels(smart))) return;
    }
    TPoint a;
    if (!ScreenAnchor(*this, *v, label, a)) return;

    TGIS_LabelsArea& area = *v->LabelsArea();
    TGIS_TwipsScale px(canvas);
    const int minW = px(label.Width()), minH = px(label.Height());
    int d = 0;
    if (ShapeType() == gisShapeTypePoint || ShapeType() == gisShapeTypeMultipoint)
        d = px(params->Marker().Size()) / 2 + px(params->Marker().OutlineWidth());
    if (params->Chart().Size() != 0) d = std::max(d, px(params->Chart().Size()) / 2);
    d += px(label.OutlineWidth());
    static constexpr int kPositions[] = {4, 5, 3, 1, 7, 2, 0, 8, 6};
    // A wider or taller box grows away from the anchor, so it holds the box of the least size.
    auto boxAt = [&](int position, int w, int h) {
        const int column = position % 3, row = position / 3;
        const int left = column == 0 ? a.X - w - d : column == 1 ? a.X - w / 2 : a.X + d;
        const int top = row == 0 ? a.Y - h - d : row == 1 ? a.Y - h / 2 : a.Y + d;
        return TRect(left, top, left + w, top + h);
    };
    // Among many shapes most labels find their place taken: such a label is dropped before its text is
    // formatted and measured, which cost far more than the test.
    if (label.Allocator() && !(Layer && Layer->OnLabelBox) &&
        std::none_of(std::begin(kPositions), std::end(kPositions), [&](int position) {
            return (label.Position() & (1u << position)) &&
                   area.MayAllocateAround(v->ScreenToMapRect(boxAt(position, std::max(minW, 0), std::max(minH, 0))));
        }))
        return;

    const std::string text = !label.Value().empty() ? label.Value() : FormatLabelText(label.Field());
    if (text.empty()) return;

    canvas->SetFont(label.Font());
    const TColor fontColor = TColor(GisNonZeroColor(uint32_t(label.Font().Color())));
    canvas->Font()->SetColor(fontColor);
    if (Layer) canvas->Font()->SetCharset(TFontCharset(Layer->GetCharSet()));
    label.PrepareBrush(*v);
    label.PrepareOutlinePen(*v);

    const TSize used = area.PrepareText(canvas, text, label.Alignment(), TSize{minW, minH});
    const int w = std::max(int(used.cx), minW), h = std::max(int(used.cy), minH);

    for (int position : kPositions) {
        if (!(label.Position() & (1u << position))) continue;
        TRect box = boxAt(position, w, h);
        if (Layer && Layer->OnLabelBox) Layer->OnLabelBox(v, this, box, position);
        if (label.Allocator() && !area.AllocateRect(v->ScreenToMapRect(box))) continue;
        const int o = v->TwipsToPixels(label.OutlineWidth()) / 2;
        const TPoint frame[4] = {{box.Left - 3 - o, box.Top - 1 - o},
                                 {box.Right + 3 + o, box.Top - 1 - o},
                                 {box.Right + 3 + o, box.Bottom + 1 + o},
                                 {box.Left - 3 - o, box.Bottom + 1 + o}};
        canvas->Polygon(frame, 4);
        const int bk = canvas->SetBkMode(TRANSPARENT);
        // A label colour other than the font's rings the text: diagonal shifts on screen, all eight on paper.
        // Over a frame filled solid in that colour the ring could not be seen, and is not drawn.
        if (TColor(GisNonZeroColor(label.Color())) != fontColor && label.Pattern() != gisBsSolid) {
            const bool printer = v->OutputMode() == gisOutputPrinter;
            const int n = printer ? std::max(1, canvas->Font()->PixelsPerInch() / 96) : 1;
            static const int kShifts[8][2] = {{-1, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
            canvas->Font()->SetColor(TColor(GisNonZeroColor(label.Color())));
            for (int k = 1; k <= n; ++k)
                for (int i = 0; i < (printer ? 8 : 4); ++i) {
                    TRect shifted = box;
                    OffsetRect(shifted, kShifts[i][0] * k, kShifts[i][1] * k);
                    area.DrawText(canvas, text, label.Alignment(), shifted);
                }
            canvas->Font()->SetColor(fontColor);
        }
        area.DrawText(canvas, text, label.Alignment(), box);
        canvas->SetBkMode(bk);
        return;
    }
}

void TGIS_ShapeArc::Draw() {
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_ParamsSectionVector* params = nullptr;
    TGIS_Shape* shape = BeginDraw(copy, params);
    if (!shape) return;
    TGIS_Viewer* v = GetViewer();
    TCanvas& canvas = *v->GetCanvas();
    TGIS_ParamsLine& line = params->Line();
    const TRect r = v->MapToScreenRect(GetProjectedExtent());
    auto alignBrush = [&](uint8_t pattern, const TGIS_Bitmap* bitmap) {
        if (pattern >= 2 || bitmap) canvas.SetBrushOrg(r.Left % 8, r.Top % 8);
    };
    auto drawRun = [&](const TPoint* pts, int count) {
        if (line.OutlineWidth() != 0 && (!line.Symbol() || v->DirectDraw)) {
            alignBrush(line.OutlinePattern(), line.OutlineBitmap());
            line.PrepareOutlinePen(*v);
            canvas.Polyline(pts, count);
        }
        if (TGIS_SymbolAbstract* symbol = line.Symbol()) {
            symbol->Prepare(v, line.Width(), 4, line.SymbolGap(), line.SymbolRotate(), line.OutlineColor(),
                            line.Color());
            GisDrawSymbolLine(*symbol, pts, count);
            symbol->Unprepare();
        } else {
            alignBrush(line.Pattern(), line.Bitmap());
            line.PreparePen(*v);
            const int bk = canvas.SetBkMode(TRANSPARENT);
            canvas.Polyline(pts, count);
            canvas.SetBkMode(bk);
        }
    };
    TPoint* buffer = v->PointBuffer();
    for (int part = 0; part < shape->GetNumParts(); ++part) {
        const int size = shape->GetPartSize(part);
        int count = 0;
        for (int i = 0; i < size; ++i) {
            buffer[count++] = v->MapToScreen(shape->GetPoint(part, i));
            if (count == GIS_MAX_DRAW_POINTS && i + 1 < size) {
                // The next run starts where this one ended, so that the line has no gap; kept aside because
                // a symbol may draw through the shared buffer.
                const TPoint joint = buffer[count - 1];
                drawRun(buffer, count);
                buffer[0] = joint;
                count = 1;
            }
        }
        if (count > 0) drawRun(buffer, count);
    }
}

void TGIS_ShapeArc::DrawLabel() {
    TGIS_Viewer* v = GetViewer();
    TGIS_ParamsSectionVector* params = GetParams();
    if (Deleted || !HasGeometry() || !v || !params) return;
    // A layer that places its label boxes through its hook keeps the boxed placement, where the hook is called.
    if (!(v->FullPaint() && params->Labels().Alignment() == gisAlignFollow && !(Layer && Layer->OnLabelBox))) {
        TGIS_Shape::DrawLabel();
        return;
    }
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_Shape* visible = PrepareDraw(true, copy);
    if (!visible) return;
    for (int part = 0; part < visible->GetNumParts(); ++part) GisDrawArcLabel(this, visible, part);
}

namespace {

// The largest integer not above a / b for b > 0.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Calls draw(x, y) at every cell of a grid of steps (w, h) from (left, top) to (right, bottom) inclusive, as far
// as it comes within `reach` of the clip rectangle; cells before the clip are skipped, not walked.
template <class F>
void ForEachTile(int64_t left, int64_t top, int64_t right, int64_t bottom, int w, int h, int reach,
                 const TRect& clip, F draw) {
    const int64_t x0 = left + std::max<int64_t>(0, FloorDiv(int64_t(clip.Left) - reach - left, w)) * w;
    const int64_t y0 = top + std::max<int64_t>(0, FloorDiv(int64_t(clip.Top) - reach - top, h)) * h;
    const int64_t x1 = std::min<int64_t>(right, int64_t(clip.Right) + reach);
    const int64_t y1 = std::min<int64_t>(bottom, int64_t(clip.Bottom) + reach);
    for (int64_t y = y0; y <= y1; y += h)
        for (int64_t x = x0; x <= x1; x += w) draw(int(x), int(y));
}

// A clear area is outlined twice: as lines, then as the polygons' own outlines. A solid pen with flat ends and
// bevelled joins (as outline pens are made), in copy mode on the window's cache, draws a ring's outline over the
// same segments and joins as its line, and the one join more: the line adds no pixel and is left out.
bool OutlineCoversLines(TCanvas& canvas, const TGIS_Viewer& v) {
    const TPenData& d = canvas.Pen()->Data();
    const bool cache = v.OutputMode() == gisOutputCache && v.TargetMode == gisOutputWindow;
    if (!cache || v.DirectDraw || canvas.Pen()->Mode() != pmCopy) return false;
    if (d.style == psClear) return true;
    return d.style == psSolid && d.endCap == PS_ENDCAP_FLAT && d.join == PS_JOIN_BEVEL &&
           (!d.geometric || d.brush.lbStyle == BS_SOLID);
}

}  // namespace

void TGIS_ShapePolygon::Draw() {
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_ParamsSectionVector* params = nullptr;
    TGIS_Shape* shape = BeginDraw(copy, params);
    if (!shape) return;
    TGIS_Viewer* v = GetViewer();
    TCanvas& canvas = *v->GetCanvas();
    TGIS_ParamsArea& area = params->Area();

    int rings = 0, total = 0;
    const int parts = shape->GetNumParts();
    for (int part = 0; part < parts; ++part) {
        const int size = shape->GetPartSize(part);
        if (size == 0) continue;
        ++rings;
        total += size;
    }
    if (rings == 0) return;
    // The shared buffers when the shape fits them, else the one drawing that allocates.
    std::vector<TPoint> ownPoints;
    std::vector<int> ownCounts;
    TPoint* points = v->PointBuffer();
    int* counts = v->PartBuffer();
    if (total > GIS_MAX_DRAW_POINTS || rings > GIS_MAX_DRAW_PARTS) {
        ownPoints.resize(size_t(total));
        ownCounts.resize(size_t(rings));
        points = ownPoints.data();
        counts = ownCounts.data();
    }
    // Symbols may draw through the shared point buffer: the rings are projected again after them.
    auto project = [&] {
        int n = 0, k = 0;
        const TGIS_ScreenMap screen = v->ScreenMap();
        for (int part = 0; part < parts; ++part) {
            const int start = n;
            shape->ForEachPartPoint(part, [&](const TGIS_Point& p) { points[n++] = screen(p); });
            if (n > start) counts[k++] = n - start;
        }
    };
    project();

    if (area.Pattern() >= 2) {
        const TRect r = v->MapToScreenRect(shape->GetProjectedExtent());
        canvas.SetBrushOrg(r.Left % 8, r.Top % 8);
    }
    if (area.OutlineSymbol())
        canvas.Pen()->SetStyle(psClear);
    else
        area.PrepareOutlinePen(*v);

    // Tiles are anchored at the screen position of this shape's upper left corner, so that they stay put in
    // a pan and whether or not the drawing shape is a clipped copy.
    // Only symbol and bitmap fills tile; a plain fill spares working out where.
    TGIS_Point corner;
    TRect grid, clip;
    auto placeTiles = [&] {
        const TGIS_Extent own = GetPointsExtent();
        corner = v->MapToScreenF(TGIS_Point{own.XMin, own.YMax});
        grid = v->MapToScreenRect(shape->GetPointsExtent());
        clip = canvas.ClipRect();
    };
    auto tile = [&](int w, int h, int reach, auto draw) {
        // The corner may lie far off the device when zoomed into a large shape; only its phase counts.
        const double fx = std::isfinite(corner.X) ? std::fmod(corner.X, w) : 0;
        const double fy = std::isfinite(corner.Y) ? std::fmod(corner.Y, h) : 0;
        const int64_t offX = int64_t(std::trunc(fx)), offY = std::llround(fy);
        // Rings are filled even-odd, as a click inside counts them: a hole wound either way stays open.
        const int saved = canvas.SaveDC();
        canvas.BeginPath();
        canvas.PolyPolygon(points, counts, rings);
        canvas.EndPath();
        canvas.SelectClipPath(RGN_AND);
        ForEachTile(grid.Left < 0 ? offX : grid.Left, grid.Top < 0 ? offY : grid.Top, grid.Right, grid.Bottom, w, h,
                    reach, clip, draw);
        canvas.RestoreDC(saved);
    };

    const int fill = canvas.SetPolyFillMode(ALTERNATE);
    TGIS_Bitmap* bitmap = area.Bitmap();
    if (TGIS_SymbolAbstract* symbol = area.Symbol()) {
        placeTiles();
        symbol->Prepare(v, area.SymbolSize(), 4, 0, area.SymbolRotate(), area.OutlineColor(), area.Color());
        const int gap = v->TwipsToPixels(area.SymbolGap());
        const int stepX = gap + symbol->Width, stepY = gap + symbol->Height;
        // A symbol of no width without a gap would never advance.
        if (stepX >= 1 && stepY >= 1 && int64_t(grid.Top) + stepY <= grid.Bottom)
            tile(stepX, stepY, std::max(symbol->Width, symbol->Height),
                 [&](int x, int y) { symbol->Draw(x, y); });
        symbol->Unprepare();
        if (!area.OutlineSymbol()) {
            project();
            const int bk = canvas.SetBkMode(TRANSPARENT);
            canvas.PolyPolyline(points, counts, rings);
            canvas.SetBkMode(bk);
        }
    } else if (bitmap && bitmap->Width() > 0 && bitmap->Height() > 0) {
        placeTiles();
        const int w = bitmap->Width(), h = bitmap->Height();
        tile(w, h, std::max(w, h), [&](int x, int y) { canvas.Draw(x, y, bitmap); });
        canvas.Brush()->SetStyle(bsClear);
        canvas.PolyPolygon(points, counts, rings);
    } else {
        area.PrepareBrush(*v);
        const int bk = canvas.SetBkMode(TRANSPARENT);
        if (area.Pattern() == gisBsClear && !OutlineCoversLines(canvas, *v)) canvas.PolyPolyline(points, counts, rings);
        canvas.PolyPolygon(points, counts, rings);
        canvas.SetBkMode(bk);
    }
    canvas.SetPolyFillMode(fill);

    if (TGIS_SymbolAbstract* outline = area.OutlineSymbol()) {
        outline->Prepare(v, area.OutlineWidth(), 5, area.OutlineGap(), area.OutlineRotate(), area.OutlineColor(),
                         area.OutlineColor());
        // Ring by ring into the buffer's start: the symbol may draw through the shared buffer.
        for (int part = 0; part < shape->GetNumParts(); ++part) {
            const int size = shape->GetPartSize(part);
            if (size == 0) continue;
            for (int i = 0; i < size; ++i) points[i] = v->MapToScreen(shape->GetPoint(part, i));
            GisDrawSymbolLine(*outline, points, size);
        }
        outline->Unprepare();
    }
}
