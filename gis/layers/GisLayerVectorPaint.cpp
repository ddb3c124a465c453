// The vector layer's paint passes: shapes, labels, charts and the edited shape's overlay, each over the shapes the
// device's clip extent finds, styled by the last section whose query takes the shape, or by value.
#include <algorithm>
#include <cmath>

#include "gis/core/GisParamsText.h"
#include "gis/core/GisSqlQuery.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"

namespace {

bool LabelsVisible(TGIS_ParamsSectionVector& params) {
    const TGIS_ParamsLabel& label = params.Labels();
    return !label.Field().empty() || !label.Value().empty();
}

bool ChartVisible(TGIS_ParamsSectionVector& params) {
    return params.Chart().Size() != 0 && !params.Chart().Values().empty();
}

// The shape's field values for the query engine.
TGIS_SqlFieldEvent FieldsOf(TGIS_Shape& shape) {
    return [&shape](const std::string& field) { return shape.GetField(field); };
}

// Apart from the walk, which asks it of every shape while most sections have no query.
[[gnu::noinline]] bool QueryTakes(TGIS_SqlQuery& query, TGIS_Shape& shape) {
    return query.Evaluate(false, FieldsOf(shape));
}

struct TRenderValue {
    uint32_t color;
    int32_t size;
};

uint32_t Channel(uint32_t c, int k) { return (c >> (8 * k)) & 0xFF; }

// Where `value` falls on the render section's ramps. The first ramp covers MinVal .. MaxVal; a value outside it
// that the second range (MinValEx .. MaxValEx) holds takes the second ramp; any other value is held to the first
// range. With zones the position moves to the nearest lower of that many equal steps, both ends included.
TRenderValue RenderValueOf(const TGIS_ParamsRender& r, double value) {
    auto inside = [value](double lo, double hi) { return lo < hi && value >= lo && value <= hi; };
    const bool second = !inside(r.MinVal(), r.MaxVal()) && inside(r.MinValEx(), r.MaxValEx());
    const double lo = second ? r.MinValEx() : r.MinVal(), hi = second ? r.MaxValEx() : r.MaxVal();
    // A range without width (or one that is not a number) has no ramp.
    if (!(hi > lo) || !std::isfinite(hi - lo)) return {r.ColorDefault(), r.SizeDefault()};
    double t = std::isnan(value) ? 0 : (std::clamp(value, lo, hi) - lo) / (hi - lo);
    const int zones = second ? r.ZonesEx() : r.Zones();
    if (zones > 1) t = std::min(std::floor(t * zones), double(zones - 1)) / (zones - 1);
    const uint32_t c0 = second ? r.StartColorEx() : r.StartColor(), c1 = second ? r.EndColorEx() : r.EndColor();
    uint32_t color = 0;
    for (int k = 0; k < 3; ++k) {
        const double a = Channel(c0, k), b = Channel(c1, k);
        const auto ch = uint32_t(std::clamp(a + std::round(t * (b - a)), 0.0, 255.0));
        color |= ch << (8 * k);
    }
    const double s0 = second ? r.StartSizeEx() : r.StartSize(), s1 = second ? r.EndSizeEx() : r.EndSize();
    return {color, int32_t(s0 + std::round(t * (s1 - s0)))};
}

void PutRenderColor(TGIS_ParamsFeature& f, uint32_t color) {
    if (f.Color() == GIS_RENDER_COLOR) f.SetColor(color);
    if (f.OutlineColor() == GIS_RENDER_COLOR) f.SetOutlineColor(color);
}

void PutRenderValue(TGIS_ParamsSectionVector& s, const TRenderValue& v) {
    for (TGIS_ParamsFeature* f : std::initializer_list<TGIS_ParamsFeature*>{&s.Line(), &s.Area(), &s.Marker(),
                                                                            &s.Labels(), &s.Chart()}) {
        PutRenderColor(*f, v.color);
        if (f->OutlineWidth() == GIS_RENDER_SIZE) f->SetOutlineWidth(v.size);
    }
    if (s.Line().Width() == GIS_RENDER_SIZE) s.Line().SetWidth(v.size);
    if (s.Marker().Size() == GIS_RENDER_SIZE) s.Marker().SetSize(v.size);
    if (s.Area().SymbolSize() == GIS_RENDER_SIZE) s.Area().SetSymbolSize(v.size);
    if (s.Chart().Size() == GIS_RENDER_SIZE) s.Chart().SetSize(v.size);
}

// Uid of the shape the viewer's editor is editing in this layer; -1 when none.
int32_t EditedUid(const TGIS_LayerVector& layer) {
    const TGIS_Editor* editor = layer.Viewer ? layer.Viewer->Editor() : nullptr;
    return editor && editor->InEdit() && editor->Layer() == &layer ? editor->GetShapeUid() : -1;
}

// Draws through the layer's render copy of the style when the shape's section renders by value. `params` is what
// the shape's GetParams gave just now; draw gets the style it draws with.
template <class Draw>
void DrawStyled(TGIS_LayerVector& layer, TGIS_Shape& shape, TGIS_ParamsSectionVector* params, const Draw& draw) {
    if (!params || !params->Render().Expression()) {
        draw(params);
        return;
    }
    if (!layer.PrepareRenderParams(&shape)) return;
    struct Restore {
        TGIS_LayerVector& layer;
        TGIS_Shape& shape;
        ~Restore() { layer.RestoreRenderParams(&shape); }
    } restore{layer, shape};
    draw(shape.GetParams());
}

// The pass's flag on the layer, cleared however the pass ends.
class TInPaint {
public:
    explicit TInPaint(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~TInPaint() { flag_ = saved_; }
    TInPaint(const TInPaint&) = delete;
    TInPaint& operator=(const TInPaint&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace

// ---- style ----

void GisPlainStyle(TGIS_ParamsSectionVector& style, const TGIS_ColorMap& color, const TGIS_ColorMap& outline) {
    for (TGIS_ParamsFeature* f : std::initializer_list<TGIS_ParamsFeature*>{&style.Line(), &style.Area(),
                                                                            &style.Marker()}) {
        f->SetColor(color(f->Color()));
        f->SetPattern(gisBsSolid);
        f->SetBitmap(nullptr);
        f->SetOutlineColor(outline(f->OutlineColor()));
    }
    style.Line().SetSymbol(nullptr);
    style.Area().SetSymbol(nullptr);
    style.Marker().SetSymbol(nullptr);
}

void TGIS_LayerVector::PrepareSelectedParams() {
    TGIS_ParamsSectionVector& sel = *SelectedParams;
    // Writes go to the section itself, not to the copy of a shape it styled last.
    sel.SetShape(nullptr);
    PrepareParams("selected");
    if (!ActiveSections.empty()) {
        sel.Assign(*ActiveSections.front());
    } else {
        auto* base = static_cast<TGIS_ParamsSectionVector*>(ParamsList().GetSection(0));
        base->SetShape(nullptr);
        sel.Assign(*base);
        // Red, or blue on a style that is red already; outlines yellow, or green.
        GisPlainStyle(
            sel, [](uint32_t c) { return c == uint32_t(clRed) ? uint32_t(clBlue) : uint32_t(clRed); },
            [](uint32_t c) { return c == uint32_t(clYellow) ? uint32_t(clLime) : uint32_t(clYellow); });
        sel.Area().SetOutlineSymbol(nullptr);
        if (Viewer->TwipsToPixels(sel.Marker().Size()) < 5) sel.Marker().SetSize(-5);
    }
    PrepareParams(ParamsStyle);
}

bool TGIS_LayerVector::SelectSectionFor(TGIS_Shape& shape) {
    for (int i = int(ActiveSections.size()) - 1; i >= 0; --i) {
        auto* section = static_cast<TGIS_ParamsSectionVector*>(ActiveSections[size_t(i)]);
        if (section->Query() && !QueryTakes(*section->Query(), shape)) continue;
        // A paint selects the same section for shape after shape.
        if (Params != section || ParamsList().SelectedSection() != section) SelectSection(i);
        return section->Visible();
    }
    return false;
}

TGIS_ParamsSectionVector* TGIS_LayerVector::PrepareRenderParams(TGIS_Shape* shape) {
    if (!shape || renderShape_) return nullptr;
    TGIS_ParamsSectionVector* params = shape->GetParams();
    if (!params) return nullptr;
    const TGIS_ParamsRender& render = params->Render();
    TGIS_SqlQuery* expression = render.Expression();
    if (!expression) return nullptr;
    const TRenderValue value = RenderValueOf(render, expression->EvaluateFloat(0, FieldsOf(*shape)));
    auto copy = std::make_unique<TGIS_ParamsSectionVector>();
    copy->Assign(*params);
    PutRenderValue(*copy, value);
    renderSaved_ = shape->ReleaseOwnParams();
    renderShape_ = shape;
    shape->SetOwnParams(std::move(copy));
    return shape->GetParams();
}

void TGIS_LayerVector::RestoreRenderParams(TGIS_Shape* shape) {
    if (!shape || shape != renderShape_) return;
    shape->SetOwnParams(std::move(renderSaved_));
    renderShape_ = nullptr;
}

// ---- passes ----

template <class Each> void TGIS_LayerVector::WalkPaint(bool skipEdited, const Each& each) {
    TGIS_Viewer& v = *Viewer;
    TInPaint inPaint(InPaint);
    const int32_t editedUid = EditedUid(*this);
    const TGIS_Extent clip = GetClipExtent();
    SetFilter(clip, "");
    for (TGIS_Shape* s = FindFirst(clip); s; s = FindNext()) {
        // A view changed while painting: the picture is redrawn whole, so this one goes no further.
        if (v.ExtentChangedFlag) break;
        if (skipEdited && s->Uid == editedUid) continue;
        if (!SelectSectionFor(*s)) continue;
        if (!each(*s)) break;
    }
    if (v.ExtentChangedFlag) v.InvalidateCache();
}

void TGIS_LayerVector::Paint() { RunPass(PaintShapesHook, &TGIS_LayerVector::PaintShapes); }

void TGIS_LayerVector::PaintShapes() {
    if (!Viewer || !(Viewer->Zoom() > 0)) return;
    TGIS_Viewer& v = *Viewer;
    HasLabels = false;
    HasCharts = false;
    PrepareSelectedParams();
    const int32_t editedUid = EditedUid(*this);
    const bool editing = editedUid >= 0;
    // On top apart from the cache, the edited shape is the editor's to draw.
    const bool skipEdited = editing && IsCachedPaint();
    // The other shapes' handles show where a vertex may snap. A window not in edit mode only highlights the
    // edited shape (as the preview's identify does): it is marked alone.
    const auto* wnd = dynamic_cast<const TGIS_ViewerWnd*>(&v);
    const bool handles = editing && (!wnd || wnd->Mode() == gisEdit);
    WalkPaint(skipEdited, [&](TGIS_Shape& s) {
        if (v.DirectDraw && !DirectPaint) return false;
        TGIS_ParamsSectionVector* params = s.GetParams();
        if (!HasLabels && params) HasLabels = LabelsVisible(*params);
        DrawStyled(*this, s, params, [&](TGIS_ParamsSectionVector* style) {
            if (!HasCharts && style) HasCharts = ChartVisible(*style);
            if (OnPaintShape)
                OnPaintShape(v, s);
            else
                s.Draw();
        });
        if (handles && s.Uid != editedUid) s.DrawSelected();
        return true;
    });
}

void TGIS_LayerVector::PaintEditor() {
    if (!Viewer || !(Viewer->Zoom() > 0)) return;
    const int32_t uid = EditedUid(*this);
    if (uid < 0) return;
    if (TGIS_Shape* shape = GetShape(uid)) shape->DrawEditOverlay();
}

void TGIS_LayerVector::PaintLabels() { RunPass(PaintLabelsHook, &TGIS_LayerVector::DrawLabels); }

void TGIS_LayerVector::PaintCharts() { RunPass(PaintChartsHook, &TGIS_LayerVector::DrawCharts); }

void TGIS_LayerVector::RunPass(const TGIS_LayerPaintHook& hook, void (TGIS_LayerVector::*pass)()) {
    if (!Viewer || !(Viewer->Zoom() > 0)) return;
    if (hook)
        hook(*Viewer, *this);
    else
        (this->*pass)();
}

void TGIS_LayerVector::DrawLabels() {
    // The pass's own drawing leaves the view as it is; a hook might not.
    struct TPass {
        TGIS_LabelsArea* area;
        ~TPass() {
            if (area) area->EndPass();
        }
    } pass{Viewer && !OnPaintLabel && Viewer->LabelsArea() && Viewer->LabelsArea()->BeginPass() ? Viewer->LabelsArea()
                                                                                                 : nullptr};
    // A label pass also takes shapes with a chart: their labels keep clear of it.
    DrawPerShape(
        HasLabels, OnPaintLabel, [](TGIS_ParamsSectionVector& p) { return LabelsVisible(p) || ChartVisible(p); },
        &TGIS_Shape::DrawLabel);
}

void TGIS_LayerVector::DrawCharts() { DrawPerShape(HasCharts, OnPaintChart, ChartVisible, &TGIS_Shape::DrawChart); }

void TGIS_LayerVector::DrawPerShape(bool& wanted, const TGIS_ShapePaintEvent& hook,
                                    bool (*visible)(TGIS_ParamsSectionVector&), void (TGIS_Shape::*draw)()) {
    if (!Viewer || !(Viewer->Zoom() > 0)) return;
    TGIS_Viewer& v = *Viewer;
    // Printing draws no shapes pass first, so it cannot have told whether the pass is wanted.
    const uint8_t out = v.TargetMode ? v.TargetMode : v.OutputMode();
    if (out == gisOutputPrinter || out == gisOutputCanvas) wanted = true;
    if (!wanted && !hook) return;
    // The sections that apply at the zoom of this pass, which need not be the shapes pass's (a print).
    PrepareParams(ParamsStyle);
    WalkPaint(true, [&](TGIS_Shape& s) {
        TGIS_ParamsSectionVector* params = s.GetParams();
        if (!params || (!hook && !visible(*params))) return true;
        DrawStyled(*this, s, params, [&](TGIS_ParamsSectionVector*) {
            if (hook)
                hook(v, s);
            else
                (s.*draw)();
        });
        return true;
    });
    wanted = false;
}
