// Drawing pieces every shape type shares: markers, handle and overlay presets, vertex handles, repaint requests
// and label text.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisBitmap.h"
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
    auto plain = [&](TGIS_ParamsFeature& f) {
        f.SetColor(colour);
        f.SetPattern(gisBsSolid);
        f.SetBitmap(nullptr);
        f.SetOutlineColor(outline);
    };
    plain(s.Line());
    plain(s.Area());
    plain(s.Marker());
    s.Line().SetSymbol(nullptr);
    s.Area().SetSymbol(nullptr);
    s.Marker().SetSymbol(nullptr);
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
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    v->InvalidateExtent(copy->GetProjectedExtent(), false);
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
    const std::string text = !label.Value().empty() ? label.Value() : FormatLabelText(label.Field());
    if (text.empty()) return;

    std::unique_ptr<TGIS_Shape> copy;
    TGIS_Shape* anchorShape = this;
    if (v->FullPaint() && (label.Position() & gisLabelFlow)) {
        anchorShape = PrepareDraw(true, copy);
        if (!anchorShape) return;
    }
    const TGIS_Point af = v->MapToScreenF(anchorShape->LabelPoint());
    if (!(std::abs(af.X) < 1e9 && std::abs(af.Y) < 1e9)) return;
    const TPoint a = v->MapToScreen(anchorShape->LabelPoint());

    canvas->SetFont(label.Font());
    canvas->Font()->SetColor(TColor(GisNonZeroColor(uint32_t(label.Font().Color()))));
    if (Layer) canvas->Font()->SetCharset(TFontCharset(Layer->GetCharSet()));
    label.PrepareBrush(*v);
    label.PrepareOutlinePen(*v);

    TGIS_LabelsArea& area = *v->LabelsArea();
    const int minW = v->TwipsToPixels(label.Width()), minH = v->TwipsToPixels(label.Height());
    const TSize used = area.PrepareText(canvas, text, label.Alignment(), TSize{minW, minH});
    const int w = std::max(int(used.cx), minW), h = std::max(int(used.cy), minH);

    int d = 0;
    if (ShapeType() == gisShapeTypePoint || ShapeType() == gisShapeTypeMultipoint)
        d = v->TwipsToPixels(params->Marker().Size()) / 2 + v->TwipsToPixels(params->Marker().OutlineWidth());
    if (params->Chart().Size() != 0) d = std::max(d, v->TwipsToPixels(params->Chart().Size()) / 2);
    d += v->TwipsToPixels(label.OutlineWidth());

    for (int position : {4, 5, 3, 1, 7, 2, 0, 8, 6}) {
        if (!(label.Position() & (1u << position))) continue;
        const int column = position % 3, row = position / 3;
        const int left = column == 0 ? a.X - w - d : column == 1 ? a.X - w / 2 : a.X + d;
        const int top = row == 0 ? a.Y - h - d : row == 1 ? a.Y - h / 2 : a.Y + d;
        const TRect box(left, top, left + w, top + h);
        if (label.Allocator() && !area.AllocateRect(v->ScreenToMapRect(box))) continue;
        const int o = v->TwipsToPixels(label.OutlineWidth()) / 2;
        const TPoint frame[4] = {{left - 3 - o, top - 1 - o},
                                 {box.Right + 3 + o, top - 1 - o},
                                 {box.Right + 3 + o, box.Bottom + 1 + o},
                                 {left - 3 - o, box.Bottom + 1 + o}};
        canvas->Polygon(frame, 4);
        const int bk = canvas->SetBkMode(TRANSPARENT);
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
                drawRun(buffer, count);
                // The next run starts where this one ended, so that the line has no gap.
                buffer[0] = buffer[count - 1];
                count = 1;
            }
        }
        if (count > 0) drawRun(buffer, count);
    }
}

void TGIS_ShapePolygon::Draw() {
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_ParamsSectionVector* params = nullptr;
    TGIS_Shape* shape = BeginDraw(copy, params);
    if (!shape) return;
    TGIS_Viewer* v = GetViewer();
    TCanvas& canvas = *v->GetCanvas();
    TGIS_ParamsArea& area = params->Area();

    int rings = 0, total = 0;
    for (int part = 0; part < shape->GetNumParts(); ++part) {
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
    int n = 0, k = 0;
    for (int part = 0; part < shape->GetNumParts(); ++part) {
        const int size = shape->GetPartSize(part);
        if (size == 0) continue;
        for (int i = 0; i < size; ++i) points[n++] = v->MapToScreen(shape->GetPoint(part, i));
        counts[k++] = size;
    }

    const TRect r = v->MapToScreenRect(shape->GetProjectedExtent());
    if (area.Pattern() >= 2) canvas.SetBrushOrg(r.Left % 8, r.Top % 8);
    area.PrepareOutlinePen(*v);
    area.PrepareBrush(*v);
    const int fill = canvas.SetPolyFillMode(ALTERNATE);
    const int bk = canvas.SetBkMode(TRANSPARENT);
    if (area.Pattern() == gisBsClear) canvas.PolyPolyline(points, counts, rings);
    canvas.PolyPolygon(points, counts, rings);
    canvas.SetBkMode(bk);
    canvas.SetPolyFillMode(fill);
}
