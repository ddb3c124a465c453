#include "gis/layers/GisEditor.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdlib>

#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisParams.h"
#include "gis/layers/GisViewer.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/Graphics.h"

TGIS_Editor::TGIS_Editor(TGIS_Viewer* viewer) : viewer_(viewer) { Reset(); }

void TGIS_Editor::Reset() {
    vertices_.clear();
    selected_ = 0;
    vertexPicked_ = false;
    buttonDown_ = false;
}

void TGIS_Editor::Assign(const TGIS_Editor& other) {
    SnapMargin = other.SnapMargin;
    MinMove = other.MinMove;
    ShowTracking = other.ShowTracking;
    ShowFast = other.ShowFast;
}

TGIS_LayerAbstract* TGIS_Editor::Layer() const { return editing_ && shape_ ? shape_->Layer : nullptr; }

int32_t TGIS_Editor::GetShapeUid() const { return editing_ && shape_ ? shape_->Uid : -1; }

void TGIS_Editor::Changed() {
    if (OnChange) OnChange(viewer_);
}

bool TGIS_Editor::NeedsErase() const {
    const TGIS_LayerAbstract* layer = Layer();
    return !ShowFast || !layer || !layer->IsCachedPaint();
}

TGIS_Extent TGIS_Editor::RepaintArea() {
    if (ShowTracking && viewer_->Zoom() > 0) return viewer_->ScreenToMapRect(viewer_->ClientRect());
    return shape_->GetProjectedExtent();
}

void TGIS_Editor::StartEdit(TGIS_Shape* shape, int part) {
    if (!shape) return;
    if (editing_) {
        Reset();
        EndEdit();
    }
    TGIS_Shape* editable = shape->MakeEditableCopy();
    if (!editable) return;
    SnapLayer = shape->Layer;
    part_ = part;
    shape_ = editable;
    LoadVertices();
    editing_ = true;

    TGIS_LayerVector* layer = shape_->Layer;
    savedIncremental_ = viewer_->IncrementalPaint();
    savedZOrder_ = layer->GetZOrder();
    savedTransparency_ = layer->Params ? layer->Params->Transparency() : 0;
    if (ShowFast) {
        viewer_->SetIncrementalPaint(false);
        if (savedZOrder_ != 0) {
            layer->SetZOrder(0);
            viewer_->InvalidateExtent(shape_->GetProjectedExtent(), true);
        }
    } else if (layer->Params) {
        layer->Params->SetTransparency(60);
    }
    viewer_->InvalidateExtent(RepaintArea(), NeedsErase());
    Changed();
}

void TGIS_Editor::EndEdit() {
    if (!editing_) return;
    TGIS_LayerVector* layer = shape_->Layer;
    if (ShowFast) {
        layer->SetZOrder(savedZOrder_);
        viewer_->SetIncrementalPaint(savedIncremental_);
    } else if (layer->Params) {
        layer->Params->SetTransparency(savedTransparency_);
    }
    Reset();
    viewer_->InvalidateExtent(RepaintArea(), true);
    editing_ = false;
    Changed();
    shape_ = nullptr;
}

void TGIS_Editor::LoadVertices() {
    vertices_.clear();
    closed_ = false;
    TGIS_Shape& s = *shape_;
    if (!s.HasGeometry() || part_ < 0 || part_ >= s.GetNumParts()) return;
    s.Lock(1);
    const int n = s.GetPartSize(part_);
    vertices_.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const TGIS_Point p = s.GetPoint(part_, i);
        if (vertices_.empty() || !GisIsSamePoint(p, vertices_.back())) vertices_.push_back(p);
    }
    // Rings may be stored with or without their closing point; only a real closing point is dropped.
    if (s.ShapeType() == gisShapeTypePolygon && vertices_.size() >= 3 &&
        GisIsSamePoint(vertices_.front(), vertices_.back())) {
        vertices_.pop_back();
        closed_ = true;
    }
    s.Unlock();
}

void TGIS_Editor::MouseDown(const TPoint& point, bool addMode) {
    if (!editing_) return;
    downPoint_ = point;
    buttonDown_ = true;
    const double zoom = viewer_->Zoom();
    if (!(zoom > 0)) return;
    const TGIS_Point p = viewer_->ScreenToMap(point);
    const double tol = viewer_->TwipsToPixels(-5) / zoom;

    int found = -1;
    double best = tol;
    for (size_t i = 0; i < vertices_.size(); ++i) {
        const double d = GisPointDistance(p, vertices_[i]);
        if (d < best) {
            best = d;
            found = int(i);
        }
    }
    if (found >= 0) {
        vertexPicked_ = true;
        selected_ = found;
        editMode_ = addMode ? gisEditDelete : gisEditNone;
        return;
    }
    vertexPicked_ = false;
    editMode_ = gisEditInsert;
    if (!addMode) {
        if (selected_ == 0) selected_ = -1;
        return;
    }
    const int count = int(vertices_.size());
    int segment = 0;
    double segDist = GIS_MAX_DISTANCE;
    for (int i = 0; i + 1 < count; ++i) {
        const double d = GisSegmentPointDistance(vertices_[size_t(i)], vertices_[size_t(i) + 1], p);
        if (d < segDist) {
            segDist = d;
            segment = i;
        }
    }
    selected_ = segment;
    if (count == 0) return;
    if (shape_->ShapeType() == gisShapeTypePolygon) {
        if (count > 1 && GisSegmentPointDistance(vertices_.back(), vertices_.front(), p) < segDist)
            selected_ = count - 1;
        return;
    }
    // Beyond an end the end vertex is exactly as near as the segment it closes, so a tie goes to the end: the
    // click appends after the last vertex, or inserts before the first when that one is nearer.
    const double toLast = GisPointDistance(p, vertices_.back());
    const double toFirst = GisPointDistance(p, vertices_.front());
    if (toFirst <= segDist && toFirst < toLast)
        selected_ = -1;
    else if (toLast <= segDist)
        selected_ = count - 1;
}

void TGIS_Editor::MouseMove(const TPoint& point) {
    if (!editing_ || !buttonDown_ || !(viewer_->Zoom() > 0)) return;
    if (!GisIsPointInExtent(viewer_->ScreenToMap(point), viewer_->Extent)) return;
    viewer_->GetCanvas()->SetPixel(point.X, point.Y, TColor(0x0000FF));
    if (vertexPicked_) editMode_ = gisEditMove;
}

void TGIS_Editor::MouseUp(const TPoint& point) {
    if (!editing_ || !buttonDown_) return;
    buttonDown_ = false;
    if (!(viewer_->Zoom() > 0)) return;
    const TGIS_Point p = viewer_->ScreenToMap(point);
    if (!GisIsPointInExtent(p, viewer_->Extent)) return;
    if (editMode_ == gisEditMove &&
        std::hypot(point.X - downPoint_.X, point.Y - downPoint_.Y) < viewer_->TwipsToPixels(MinMove))
        return;
    if (editMode_ == gisEditInsert && shape_->ShapeType() == gisShapeTypePoint) return;
    newPoint_ = Snap(p);
    Apply();
}

TGIS_Point TGIS_Editor::Snap(const TGIS_Point& p) {
    const double zoom = viewer_->Zoom();
    if (!SnapLayer || !(zoom > 0)) return p;
    const double tol = viewer_->TwipsToPixels(SnapMargin) / zoom;
    const int32_t skipUid = editing_ && shape_ && SnapLayer == shape_->Layer ? shape_->Uid : -1;
    double distance = 0;
    int part = 0;
    TGIS_Point at = p;
    TGIS_Shape* nearest = SnapLayer->LocateEx(p, tol, skipUid, distance, part, at);
    if (!nearest) return p;
    return nearest->NearestVertex(p, tol, distance);
}

void TGIS_Editor::Apply() {
    switch (editMode_) {
    case gisEditInsert: {
        const int count = int(vertices_.size());
        if (count == 1) {
            vertices_.push_back(newPoint_);
            selected_ = 1;
        } else if (count == 0 || selected_ < 0) {
            // Before the start, or the first vertex of an empty part.
            vertices_.insert(vertices_.begin(), newPoint_);
            selected_ = 0;
        } else {
            const int at = std::min(selected_, count - 1) + 1;
            vertices_.insert(vertices_.begin() + at, newPoint_);
            selected_ = at;
        }
        break;
    }
    case gisEditMove:
        if (selected_ >= 0 && selected_ < int(vertices_.size())) vertices_[size_t(selected_)] = newPoint_;
        break;
    case gisEditDelete:
        if (vertices_.size() > 1 && selected_ >= 0 && selected_ < int(vertices_.size())) {
            vertices_.erase(vertices_.begin() + selected_);
            selected_ = std::min(selected_, int(vertices_.size()) - 1);
        }
        break;
    default: return;
    }
    WriteBack();
    if (!editing_) return;
    auto* wnd = dynamic_cast<TGIS_ViewerWnd*>(viewer_);
    if (wnd && wnd->AutoCenter() && selected_ >= 0 && selected_ < int(vertices_.size()))
        wnd->SetCenter(vertices_[size_t(selected_)]);
}

void TGIS_Editor::WriteBack() {
    TGIS_Shape& s = *shape_;
    std::unique_ptr<TGIS_Shape> copy = s.CreateCopy();
    const TGIS_Extent oldExtent = s.GetProjectedExtent();
    copy->Lock(1);
    s.Lock(1);
    s.FreeGeometry();
    const int parts = copy->HasGeometry() ? copy->GetNumParts() : 0;
    int written = 0;
    for (int j = 0; j < parts; ++j) {
        s.AddPart();
        ++written;
        if (j == part_) {
            for (const TGIS_Point& v : vertices_) s.AddPoint(v);
            if (closed_ && vertices_.size() >= 3) s.AddPoint(vertices_.front());
        } else {
            for (int i = 0; i < copy->GetPartSize(j); ++i) s.AddPoint(copy->GetPoint(j, i));
        }
    }
    copy->Unlock();
    copy.reset();
    s.Unlock();
    LoadVertices();
    if (written == 0) {
        s.AddPart();
        s.AddPoint(GisExtentCenter(oldExtent));
        s.Delete();
        viewer_->InvalidateExtent(oldExtent, true);
        EndEdit();
    } else {
        viewer_->InvalidateExtent(GisExtentUnion(oldExtent, s.GetProjectedExtent()), NeedsErase());
    }
    Changed();
}
