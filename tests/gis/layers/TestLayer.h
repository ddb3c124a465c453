// A layer for viewer tests: paints given polygons, labels and chart marks in map coordinates, counts every paint
// slot it is called through, and raises from any slot on request.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gis/layers/GisViewer.h"
#include "platform/ui/Graphics.h"

class TTestLayer : public TGIS_LayerAbstract {
public:
    enum Slot { slPaint, slPaintShapes, slPaintEditor, slPaintLabels, slPaintCharts, slPaintSkipped, slRevertAll,
                slOpen, slReadConfig, slRecalcExtent, slPrepareRTree };

    struct Polygon {
        std::vector<TGIS_Point> points;
        TColor color;
    };
    struct Label {
        TGIS_Point at;
        std::string text;
        TColor color;
    };
    // A square of `size` pixels centred on the point.
    struct Chart {
        TGIS_Point at;
        int size;
        TColor color;
    };

    explicit TTestLayer(const std::string& name = "", const TGIS_Extent& extent = GisEmptyExtent()) {
        Name = name;
        Extent = extent;
        ProjectedExtent = extent;
        UseConfig = false;
    }

    std::vector<Polygon> Polygons;
    std::vector<Label> Labels;
    std::vector<Chart> Charts;
    // Called with the slot each time one runs (before it raises, when it does).
    std::function<void(Slot)> OnSlot;

    int Count(Slot s) const {
        const auto it = counts_.find(s);
        return it == counts_.end() ? 0 : it->second;
    }
    void ResetCounts() { counts_.clear(); }
    // The slot raises EGIS_Exception 0001 while on.
    void Raise(Slot s, bool on = true) { raising_[s] = on; }
    // Extent of every polygon, label and chart point, set as the layer's extent.
    void FitExtent() {
        TGIS_Extent e = GisEmptyExtent();
        auto add = [&e](const TGIS_Point& p) { e = GisExtentUnion(e, {p.X, p.Y, p.X, p.Y}); };
        for (const Polygon& p : Polygons)
            for (const TGIS_Point& q : p.points) add(q);
        for (const Label& l : Labels) add(l.at);
        for (const Chart& c : Charts) add(c.at);
        SetExtent(e);
    }

    void Open(TGIS_Viewer* viewer) override {
        Hit(slOpen);
        TGIS_LayerAbstract::Open(viewer);
    }
    void ReadConfig() override {
        Hit(slReadConfig);
        TGIS_LayerAbstract::ReadConfig();
    }
    void RecalcExtent() override { Hit(slRecalcExtent); }
    void PrepareRTree(bool use) override {
        (void)use;
        Hit(slPrepareRTree);
    }
    void Paint() override { Hooked(slPaint, PaintShapesHook, &TTestLayer::PaintShapes); }
    void PaintShapes() override {
        Hit(slPaintShapes);
        TCanvas* c = Viewer->GetCanvas();
        if (!c) return;
        for (const Polygon& p : Polygons) {
            std::vector<TPoint> pts;
            for (const TGIS_Point& q : p.points) pts.push_back(Viewer->MapToScreen(q));
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(p.color);
            c->Pen()->SetStyle(psClear);
            c->Polygon(pts);
        }
    }
    void PaintEditor() override { Hit(slPaintEditor); }
    void PaintLabels() override { Hooked(slPaintLabels, PaintLabelsHook, &TTestLayer::DrawLabels); }
    void DrawLabels() override {
        TCanvas* c = Viewer->GetCanvas();
        if (!c) return;
        for (const Label& l : Labels) {
            const TPoint p = Viewer->MapToScreen(l.at);
            c->Brush()->SetStyle(bsClear);
            c->Font()->SetColor(l.color);
            c->TextOut(p.X, p.Y, l.text);
        }
    }
    void PaintCharts() override { Hooked(slPaintCharts, PaintChartsHook, &TTestLayer::DrawCharts); }
    void DrawCharts() override {
        TCanvas* c = Viewer->GetCanvas();
        if (!c) return;
        for (const Chart& m : Charts) {
            const TPoint p = Viewer->MapToScreen(m.at);
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(m.color);
            c->FillRect(TRect(p.X - m.size / 2, p.Y - m.size / 2, p.X - m.size / 2 + m.size,
                              p.Y - m.size / 2 + m.size));
        }
    }
    void PaintSkipped() override { Hit(slPaintSkipped); }
    void RevertAll() override { Hit(slRevertAll); }

private:
    // The layer's hook when set, else its own drawing.
    void Hooked(Slot s, const TGIS_LayerPaintHook& hook, void (TTestLayer::*own)()) {
        Hit(s);
        if (hook)
            hook(*Viewer, *this);
        else
            (this->*own)();
    }
    void Hit(Slot s) {
        ++counts_[s];
        if (OnSlot) OnSlot(s);
        const auto it = raising_.find(s);
        if (it != raising_.end() && it->second) throw EGIS_Exception(GIS_RS_ERR_UNIMPLEMENTED, Name, 0);
    }

    std::map<Slot, int> counts_;
    std::map<Slot, bool> raising_;
};
