// The label area of a viewer: map rectangles already taken by labels during one paint, so that labels do not
// overlap, and the wrapping of a label text into lines that fit a box.
#pragma once

#include <string>
#include <vector>

#include "gis/core/GisDefs.h"
#include "platform/ui/Graphics.h"

class TGIS_Viewer;

struct T_textLine {
    int Width = 0;  // pixels
    int Start = 0;  // byte offset in the label text
    int Count = 0;  // bytes
};

class TGIS_LabelsArea {
public:
    explicit TGIS_LabelsArea(TGIS_Viewer* viewer);
    TGIS_LabelsArea(const TGIS_LabelsArea&) = delete;
    TGIS_LabelsArea& operator=(const TGIS_LabelsArea&) = delete;
    TGIS_Viewer* Viewer() const { return viewer_; }

    // Frees every reserved rectangle; the viewer calls it at each repaint.
    void Reset();
    // True when a label may take r (map units); r is then reserved. A rectangle equal to a reserved one
    // within half a pixel is the same label drawn again: accepted, not stored twice.
    bool AllocateRect(const TGIS_Extent& r);
    // False when no rectangle holding r could be allocated now: r lies out of the view, or it overlaps a reserved
    // rectangle while none is near enough to equal a rectangle holding r. Answers before a label is measured.
    bool MayAllocateAround(const TGIS_Extent& r) const;
    // One label pass sees one view: from BeginPass to EndPass, MayAllocateAround reads the bounds it tests from
    // the viewer once. False when a pass is open already; that one's opener ends it.
    bool BeginPass();
    void EndPass() { pass_ = false; }
    // The box spanned by the four corners of a (possibly rotated) label.
    bool AllocateBox(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& p3, const TGIS_Point& p4);

    // Alignment: 0 and 4 one line (no word wrapping), 2 centred, 3 right, others left.
    // Wraps text into Lines within limit (pixels) and returns the size used; (0, 0) when not even one line fits.
    TSize PrepareText(TCanvas* canvas, const std::string& text, int alignment, const TSize& limit);
    // Draws the lines of the last PrepareText, one below the other, from the top of r.
    void DrawText(TCanvas* canvas, const std::string& text, int alignment, const TRect& r);
    // Appends the line that starts at `start` and fits `width` (narrowed to the line's width); answers where
    // the next line starts (the length of text when none).
    int BreakLine(TCanvas* canvas, const std::string& text, int alignment, int& width, int start);
    void ClearLines() { lines_.clear(); }

    const std::vector<T_textLine>& Lines() const { return lines_; }
    int LineHeight() const { return lineHeight_; }
    int BoxCount() const { return int(boxes_.size()); }

private:
    // Where a label may stand: within `visible` when `inView`; rectangles equal within `tol` are one.
    struct TBounds {
        bool inView = false;
        TGIS_Extent visible{};
        double tol = 0;
    };
    TBounds Bounds() const;

    TGIS_Viewer* viewer_;
    bool pass_ = false;
    TBounds passBounds_;
    std::vector<TGIS_Extent> boxes_;
    // The reserved rectangle that met the last rectangle asked about, shrunk by the tolerance; -1 for none.
    mutable int near_ = -1;
    std::vector<T_textLine> lines_;
    int lineHeight_ = 0;
};
