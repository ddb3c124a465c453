// The shape editor as far as the viewer and its window use it: which shape part is being edited and on which layer.
#pragma once

#include "platform/ui/Controls.h"

class TGIS_LayerAbstract;
class TGIS_Shape;
class TGIS_Viewer;

class TGIS_Editor {
public:
    explicit TGIS_Editor(TGIS_Viewer* viewer) : viewer_(viewer) {}
    virtual ~TGIS_Editor() = default;
    TGIS_Editor(const TGIS_Editor&) = delete;
    TGIS_Editor& operator=(const TGIS_Editor&) = delete;

    // Edits that part of the shape on the given layer (the shape's own layer once shapes know it).
    void StartEdit(TGIS_Shape* shape, int part, TGIS_LayerAbstract* layer = nullptr);
    void EndEdit();
    // Copies the settings, not what is being edited.
    void Assign(const TGIS_Editor& other);

    bool InEdit() const { return shape_ != nullptr; }
    TGIS_Shape* Shape() const { return shape_; }
    int Part() const { return part_; }
    TGIS_LayerAbstract* Layer() const { return layer_; }
    TGIS_Viewer* Viewer() const { return viewer_; }
    bool ShowTracking = false;
    // The viewer window's mouse input in edit mode, in client points; the stand-in ignores it.
    virtual void MouseDown(const TPoint& p, bool shift) { (void)p, (void)shift; }
    virtual void MouseMove(const TPoint& p) { (void)p; }
    virtual void MouseUp(const TPoint& p) { (void)p; }
    bool ShowFast = false;
    TNotifyEvent OnChange;

private:
    TGIS_Viewer* viewer_;
    TGIS_Shape* shape_ = nullptr;
    int part_ = 0;
    TGIS_LayerAbstract* layer_ = nullptr;
};
