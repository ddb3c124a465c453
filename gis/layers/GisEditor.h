// The shape editor: the vertices of one part of one shape, changed by mouse on the viewer and written back at once.
#pragma once

#include <vector>

#include "gis/core/GisDefs.h"
#include "platform/ui/Controls.h"

class TGIS_LayerAbstract;
class TGIS_LayerVector;
class TGIS_Shape;
class TGIS_Viewer;

enum : uint8_t { gisEditInsert = 0, gisEditMove = 1, gisEditDelete = 2, gisEditNone = 3 };

class TGIS_Editor {
public:
    explicit TGIS_Editor(TGIS_Viewer* viewer);
    virtual ~TGIS_Editor() = default;
    TGIS_Editor(const TGIS_Editor&) = delete;
    TGIS_Editor& operator=(const TGIS_Editor&) = delete;

    // Edits that part of the shape's in-memory instance; nullptr does nothing.
    void StartEdit(TGIS_Shape* shape, int part);
    void EndEdit();
    // Copies the settings, not what is being edited.
    void Assign(const TGIS_Editor& other);
    void Reset();

    bool InEdit() const { return editing_; }
    TGIS_Shape* Shape() const { return shape_; }
    int Part() const { return part_; }
    // The edited shape's layer; nullptr when not editing.
    TGIS_LayerAbstract* Layer() const;
    TGIS_Viewer* Viewer() const { return viewer_; }
    int32_t GetShapeUid() const;
    int GetSelectedVertex() const { return selected_; }
    uint8_t EditMode() const { return editMode_; }
    // The part's vertices as edited, a polygon's ring without its closing point.
    const std::vector<TGIS_Point>& VertexBuffer() const { return vertices_; }

    // Client points of the viewer; add mode is Shift not held.
    virtual void MouseDown(const TPoint& p, bool addMode);
    virtual void MouseMove(const TPoint& p);
    virtual void MouseUp(const TPoint& p);

    // The map point, moved onto the nearest vertex of the nearest other shape of SnapLayer within SnapMargin.
    TGIS_Point Snap(const TGIS_Point& p);

    int32_t SnapMargin = -15;
    TGIS_LayerVector* SnapLayer = nullptr;
    int32_t MinMove = -5;
    bool ShowTracking = true;
    bool ShowFast = true;
    TNotifyEvent OnChange;

private:
    void LoadVertices();
    void Apply();
    void WriteBack();
    bool NeedsErase() const;
    // The whole window with ShowTracking, else the shape's extent.
    TGIS_Extent RepaintArea();
    void Changed();

    TGIS_Viewer* viewer_;
    TGIS_Shape* shape_ = nullptr;
    bool editing_ = false;
    int part_ = 0;
    std::vector<TGIS_Point> vertices_;
    // The polygon ring was stored closed; the write-back closes it again.
    bool closed_ = false;
    int selected_ = 0;
    uint8_t editMode_ = gisEditNone;
    bool vertexPicked_ = false;
    TGIS_Point newPoint_{0, 0};
    TPoint downPoint_{0, 0};
    bool buttonDown_ = false;
    int savedZOrder_ = 0;
    bool savedIncremental_ = true;
    int32_t savedTransparency_ = 0;
};
