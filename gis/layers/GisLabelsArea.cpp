#include "gis/layers/GisLabelsArea.h"

#include <algorithm>
#include <cmath>

#include "gis/layers/GisViewer.h"

namespace {

// Longest run of bytes measured for one line; a line that reaches it ends there.
constexpr int MAX_MEASURED = 200;

// Fonts of these character sets read right to left.
constexpr BYTE HEBREW_CHARSET = 177, ARABIC_CHARSET = 178;

// Finite, and not turned inside out.
bool Proper(const TGIS_Extent& e) {
    return std::isfinite(e.XMin) && std::isfinite(e.XMax) && std::isfinite(e.YMin) && std::isfinite(e.YMax) &&
           e.XMin <= e.XMax && e.YMin <= e.YMax;
}

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Bytes of the GBK character at i: a lead byte takes the next one with it.
int CharLen(const std::string& s, size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    return c >= 0x81 && c <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

}  // namespace

TGIS_LabelsArea::TGIS_LabelsArea(TGIS_Viewer* viewer) : viewer_(viewer) {}

void TGIS_LabelsArea::Reset() {
    boxes_.clear();
    near_ = -1;
}

bool TGIS_LabelsArea::AllocateRect(const TGIS_Extent& r) {
    if (viewer_->FullPaint() && !viewer_->DirectDraw && !GisExtentInside(r, viewer_->GetVisibleExtent()))
        return false;
    for (const TGIS_Extent& b : boxes_) {
        if (!GisExtentsOverlap(b, r)) continue;
        const double tol = 0.5 / viewer_->Zoom();
        return std::abs(b.XMin - r.XMin) <= tol && std::abs(b.XMax - r.XMax) <= tol &&
               std::abs(b.YMin - r.YMin) <= tol && std::abs(b.YMax - r.YMax) <= tol;
    }
    boxes_.push_back(r);
    return true;
}

TGIS_LabelsArea::TBounds TGIS_LabelsArea::Bounds() const {
    if (pass_) return passBounds_;
    TBounds b;
    b.inView = viewer_->FullPaint() && !viewer_->DirectDraw;
    if (b.inView) b.visible = viewer_->GetVisibleExtent();
    b.tol = 0.5 / viewer_->Zoom();
    return b;
}

bool TGIS_LabelsArea::BeginPass() {
    if (pass_) return false;
    passBounds_ = Bounds();
    pass_ = true;
    return true;
}

bool TGIS_LabelsArea::MayAllocateAround(const TGIS_Extent& r) const {
    const TBounds bounds = Bounds();
    if (bounds.inView && !GisExtentInside(r, bounds.visible)) return false;
    const double tol = bounds.tol;
    // A reserved rectangle equal, within the tolerance, to one holding r holds r shrunk by the tolerance.
    const TGIS_Extent inner{r.XMin + tol, r.YMin + tol, r.XMax - tol, r.YMax - tol};
    // All four sides compared, without a branch: which side fails varies from label to label past any guess.
    auto holds = [&inner](const TGIS_Extent& b) {
        return (b.XMin <= inner.XMin) & (b.XMax >= inner.XMax) & (b.YMin <= inner.YMin) & (b.YMax >= inner.YMax);
    };
    // Reserved rectangles never overlap one another: one that meets r shrunk is the only one that may hold it, and
    // it overlaps r. Its answer stands for all, and neighbouring labels mostly meet the same one.
    const bool sound = tol >= 0 && Proper(inner);
    if (sound && near_ >= 0 && near_ < int(boxes_.size()) && GisExtentsOverlap(boxes_[size_t(near_)], inner))
        return holds(boxes_[size_t(near_)]);
    bool overlaps = false;
    for (size_t i = 0; i < boxes_.size(); ++i) {
        const TGIS_Extent& b = boxes_[i];
        if (holds(b)) return true;
        overlaps = overlaps || GisExtentsOverlap(b, r);
        if (sound && Proper(b) && GisExtentsOverlap(b, inner)) near_ = int(i);
    }
    return !overlaps;
}

bool TGIS_LabelsArea::AllocateBox(const TGIS_Point& p1, const TGIS_Point& p2, const TGIS_Point& p3,
                                  const TGIS_Point& p4) {
    TGIS_Extent e;
    e.XMin = GisMinDouble(GisMinDouble(p1.X, p2.X), GisMinDouble(p3.X, p4.X));
    e.YMin = GisMinDouble(GisMinDouble(p1.Y, p2.Y), GisMinDouble(p3.Y, p4.Y));
    e.XMax = GisMaxDouble(GisMaxDouble(p1.X, p2.X), GisMaxDouble(p3.X, p4.X));
    e.YMax = GisMaxDouble(GisMaxDouble(p1.Y, p2.Y), GisMaxDouble(p3.Y, p4.Y));
    return AllocateRect(e);
}

int TGIS_LabelsArea::BreakLine(TCanvas* canvas, const std::string& text, int alignment, int& width, int start) {
    const int len = int(text.size());
    start = std::clamp(start, 0, len);
    const std::string rest = text.substr(size_t(start));
    lineHeight_ = canvas->TextExtent(rest).cy;
    if (width == 0) return len;

    const bool hasBreak = std::any_of(text.begin(), text.end(), IsBreak);
    if (!hasBreak) {
        const int w = canvas->TextWidth(rest);
        if (w <= width) {
            width = w;
            lines_.push_back({w, start, len - start});
            return len;
        }
    }

    // Measure whole characters until the width, a line break or the measuring limit stops the scan.
    std::string buf;
    int i = start, fitW = 0, blank = -1, blankW = 0, lineBreak = -1;
    bool full = false;
    while (i < len) {
        const char c = text[size_t(i)];
        if (IsBreak(c)) {
            lineBreak = i;
            break;
        }
        const int n = CharLen(text, size_t(i));
        if (int(buf.size()) + n > MAX_MEASURED) {
            full = true;
            break;
        }
        if (c == ' ') {
            blank = i;
            blankW = fitW;
        }
        buf.append(text, size_t(i), size_t(n));
        const int w = canvas->TextWidth(buf);
        if (w > width) break;
        fitW = w;
        i += n;
        if (w == width) {
            // A word that ends right at the width may still end the line at the blank or break after it.
            if (i < len && IsBreak(text[size_t(i)])) lineBreak = i;
            else if (i < len && text[size_t(i)] == ' ') blank = i, blankW = fitW;
            break;
        }
    }

    int end = i, next = len;
    if (alignment == 0 || alignment == 4) {
        // One line: what fitted before the first break.
    } else if (lineBreak >= 0) {
        // A break at the start of a line leaves an empty line; CR LF is one break.
        next = lineBreak + 1;
        if (text[size_t(lineBreak)] == '\r' && next < len && text[size_t(next)] == '\n') ++next;
    } else if (full) {
        next = i;
    } else if (blank >= 0 && i < len) {
        end = blank;
        fitW = blankW;
        next = blank + 1;
    }
    width = fitW;
    lines_.push_back({fitW, start, std::min(end - start, len - start)});
    return next;
}

TSize TGIS_LabelsArea::PrepareText(TCanvas* canvas, const std::string& text, int alignment, const TSize& limit) {
    ClearLines();
    const int len = int(text.size());
    int w = limit.cx;
    int next = BreakLine(canvas, text, alignment, w, 0);
    if (lineHeight_ > limit.cy) {
        ClearLines();
        return TSize{0, 0};
    }
    int maxW = w, h = lineHeight_;
    while (next < len && h + lineHeight_ <= limit.cy) {
        w = limit.cx;
        next = BreakLine(canvas, text, alignment, w, next);
        maxW = std::max(maxW, w);
        h += lineHeight_;
    }
    return TSize{maxW, h};
}

void TGIS_LabelsArea::DrawText(TCanvas* canvas, const std::string& text, int alignment, const TRect& r) {
    if (lines_.empty()) return;
    UINT flags = DT_NOPREFIX;
    if (alignment == 2) flags |= DT_CENTER;
    else if (alignment == 3) flags |= DT_RIGHT;
    const BYTE charset = canvas->GetTextMetrics().tmCharSet;
    const int oldMode = canvas->SetBkMode(TRANSPARENT);
    const bool rtl = charset == HEBREW_CHARSET || charset == ARABIC_CHARSET;
    const UINT oldAlign = canvas->SetTextAlign(rtl ? UINT(TA_RTLREADING) : 0u);
    TRect rc = r;
    for (const T_textLine& l : lines_) {
        // The text may not be the one the lines were prepared for.
        const size_t from = std::min(size_t(std::max(l.Start, 0)), text.size());
        const size_t count = std::min(size_t(std::max(l.Count, 0)), text.size() - from);
        canvas->DrawText(text.substr(from, count), rc, flags);
        rc.Top += lineHeight_;
    }
    canvas->SetTextAlign(oldAlign);
    canvas->SetBkMode(oldMode);
}
