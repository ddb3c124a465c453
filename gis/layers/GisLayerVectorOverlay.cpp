// The editing overlay of a shape: its vertices numbered over the map, the editor's current vertex marked.
#include <cmath>
#include <memory>
#include <string>

#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLayerVector.h"
#include "platform/ui/Graphics.h"

namespace {

constexpr int kHalf = 3;  // half the side of a vertex square, pixels

constexpr int kReach = 40;  // a square and its number stay within this many pixels of their vertex

// Only vertices whose square or number may reach the canvas are drawn: a long part has many off it.
bool OnScreen(TGIS_Viewer& v, TCanvas& canvas, const TGIS_Point& m, TPoint& p) {
    const TGIS_Point f = v.MapToScreenF(m);
    const TRect clip = canvas.ClipRect();
    if (!(f.X > clip.Left - kReach && f.X < clip.Right + kReach && f.Y > clip.Top - kReach &&
          f.Y < clip.Bottom + kReach))
        return false;
    p = v.MapToScreen(m);
    return true;
}

void VertexSquare(TCanvas& canvas, const TPoint& p) {
    canvas.Rectangle(p.X - kHalf, p.Y - kHalf, p.X + kHalf, p.Y + kHalf);
}

void VertexNumber(TCanvas& canvas, const TPoint& p, int index) {
    TFont* font = canvas.Font();
    font->SetName("Arial");
    font->SetSize(6);
    font->SetStyle(0);
    font->SetEscapement(0);
    font->SetColor(clWhite);
    const int bk = canvas.SetBkMode(TRANSPARENT);
    canvas.TextOut(p.X + kHalf, p.Y + kHalf, std::to_string(index));
    canvas.SetBkMode(bk);
}

// The editor's selected vertex when it edits this shape's part; -1 otherwise.
int CurrentVertex(TGIS_Viewer& v, TGIS_Shape& shape, int part) {
    TGIS_Editor* editor = v.Editor();
    if (!editor || !editor->InEdit() || editor->Part() != part || editor->GetShapeUid() != shape.Uid) return -1;
    return editor->GetSelectedVertex();
}

void MarkCurrent(TGIS_Viewer& v, TCanvas& canvas, TGIS_Shape& shape, int part) {
    const int current = CurrentVertex(v, shape, part);
    TPoint p;
    if (current < 0 || current >= shape.GetPartSize(part)) return;
    if (!OnScreen(v, canvas, shape.GetPoint(part, current), p)) return;
    GisSetEditCurrentStyle(canvas);
    VertexSquare(canvas, p);
}

}  // namespace

void TGIS_Shape::DrawPointEditOverlay() {
    TGIS_Viewer* v = GetViewer();
    TCanvas* canvas = v ? v->GetCanvas() : nullptr;
    if (!canvas || !(Zoom() > 0) || GetNumParts() == 0) return;
    for (int i = 0; i < GetPartSize(0); ++i) {
        TPoint p;
        if (!OnScreen(*v, *canvas, GetPoint(0, i), p)) continue;
        GisSetEditVertexStyle(*canvas);
        VertexSquare(*canvas, p);
        VertexNumber(*canvas, p, i);
    }
    MarkCurrent(*v, *canvas, *this, 0);
}

void TGIS_Shape::DrawPartsEditOverlay() {
    TGIS_Viewer* v = GetViewer();
    TCanvas* canvas = v ? v->GetCanvas() : nullptr;
    if (!canvas || !(Zoom() > 0)) return;
    const int parts = GetNumParts();

    // The outline goes through the shared buffers as poly-polylines, from the copy clipped for drawing when the
    // shape is large on screen; a part longer than the buffers hold continues in the next call from its last
    // point drawn, so that the dotted line has no gap.
    std::unique_ptr<TGIS_Shape> copy;
    TGIS_Shape* outline = PrepareDraw(false, copy);
    GisSetEditOutlineStyle(*canvas);
    const int bk = canvas->SetBkMode(OPAQUE);
    TPoint* points = v->PointBuffer();
    int* counts = v->PartBuffer();
    int n = 0, k = 0;
    auto flush = [&] {
        if (k > 0) canvas->PolyPolyline(points, counts, k);
        n = k = 0;
    };
    for (int part = 0; outline && part < outline->GetNumParts(); ++part) {
        const int size = outline->GetPartSize(part);
        if (size == 0) continue;
        if (k == GIS_MAX_DRAW_PARTS || n == GIS_MAX_DRAW_POINTS) flush();
        counts[k++] = 0;
        for (int i = 0; i < size; ++i) {
            if (n == GIS_MAX_DRAW_POINTS) {
                const TPoint joint = points[n - 1];
                flush();
                points[n++] = joint;
                counts[k++] = 1;
            }
            points[n++] = v->MapToScreen(outline->GetPoint(part, i));
            ++counts[k - 1];
        }
    }
    flush();
    canvas->SetBkMode(bk);

    TGIS_Editor* editor = v->Editor();
    const int editedPart = editor && editor->InEdit() && editor->GetShapeUid() == Uid ? editor->Part() : -1;
    for (int part = 0; part < parts; ++part)
        for (int i = 0; i < GetPartSize(part); ++i) {
            TPoint p;
            if (!OnScreen(*v, *canvas, GetPoint(part, i), p)) continue;
            if (part == editedPart)
                GisSetEditVertexStyle(*canvas);
            else
                GisSetEditOtherPartStyle(*canvas);
            VertexSquare(*canvas, p);
            VertexNumber(*canvas, p, i);
        }
    if (editedPart >= 0 && editedPart < parts) MarkCurrent(*v, *canvas, *this, editedPart);
}

void TGIS_ShapePoint::DrawEditOverlay() {
    if (!Deleted && HasGeometry()) DrawPointEditOverlay();
}

void TGIS_ShapeMultipoint::DrawEditOverlay() {
    if (!Deleted && HasGeometry()) DrawPointEditOverlay();
}

void TGIS_ShapeArc::DrawEditOverlay() {
    if (!Deleted && HasGeometry()) DrawPartsEditOverlay();
}

void TGIS_ShapePolygon::DrawEditOverlay() {
    if (!Deleted && HasGeometry()) DrawPartsEditOverlay();
}
