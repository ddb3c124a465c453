// The rectangles that labels have taken on the device, so that later labels do not cover them.
#pragma once

class TGIS_Viewer;

class TGIS_LabelsArea {
public:
    explicit TGIS_LabelsArea(TGIS_Viewer* viewer) : viewer_(viewer) {}
    ~TGIS_LabelsArea();
    TGIS_LabelsArea(const TGIS_LabelsArea&) = delete;
    TGIS_LabelsArea& operator=(const TGIS_LabelsArea&) = delete;

    // Frees every reserved rectangle.
    void Reset();
    TGIS_Viewer* Viewer() const { return viewer_; }

private:
    TGIS_Viewer* viewer_;
};
