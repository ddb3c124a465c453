// Labels that follow a line: the text is set beside the first stretch of an arc part that is straight enough
// to carry it, turned to the stretch's direction.
#pragma once

#include <string>

#include "platform/ui/Windows.h"

class TGIS_LayerVector;
class TGIS_Shape;
class TGIS_Viewer;

// One placement of a label along one part of an arc.
class T_arcLabel {
public:
    // shape gives the text and styles; screenShape (its copy clipped for drawing) gives the points of `part`.
    T_arcLabel(TGIS_Shape* shape, TGIS_Shape* screenShape, int part);
    void Draw();

    TGIS_Shape* Shape;
    TGIS_Shape* ScreenShape;
    TGIS_Viewer* Viewer;
    TGIS_LayerVector* Layer;
    int Part;
    int PointCount = 0;
    std::string Text;
    int Offset = 0;      // pixels between the line and the text
    int TextHeight = 0;

    // Pixel geometry on integer screen points.
    static int Distance(const TPoint& a, const TPoint& b);
    static TPoint MoveTowards(const TPoint& a, const TPoint& b, int d);
    // Signed distance of p from the chord ab; 16777215 when p projects outside it.
    static int ChordDeviation(const TPoint& a, const TPoint& b, const TPoint& p);
    // Moves the chord d pixels to the right of its direction on the screen (to the left for negative d).
    static void OffsetChord(TPoint& s, TPoint& e, int d);
    // Tenths of a degree, counter-clockwise, for a font's escapement.
    static int ChordAngle(const TPoint& s, const TPoint& e);

private:
    void PrepareScreenPoints();
    int PathLength() const;
    int SegmentAtDistance(int d) const;
    int FindChord(int i, int width, TPoint& start, TPoint& end, int limit) const;

    TPoint* points_ = nullptr;
};

// Draws the label of an arc shape along one part; any other shape fails an assertion.
void GisDrawArcLabel(TGIS_Shape* shape, TGIS_Shape* screenShape, int part);
