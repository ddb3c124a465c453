#pragma once
// Solid shapes written span by span straight into an image's scan lines, as the painter's aliased
// rasterizer covers them: a pixel is covered when its centre lies inside the shape, ties going to the shape
// on its bottom and right edges. Painting wide outlines and plain fills this way spares the painter's stroker
// and fill setup, which cost far more than the pixels of the small shapes of a map.
#include <cstdint>
#include <vector>

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <utility>

class TSpanRaster {
public:
    enum class End { Round, Flat, Square };
    enum class Join { Round, Bevel };

    // Whether pixels of the format are written here (32-bit and 24-bit rows); asked before every shape.
    static bool Writable(QImage::Format format) {
        return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
               format == QImage::Format_ARGB32_Premultiplied || format == QImage::Format_BGR888;
    }

    // Where the shapes that follow go: the pixels, the clip in device coordinates (nullptr: the whole
    // image) and the colour, 0xRRGGBB. One raster serves shape after shape without allocating anew.
    void Begin(QImage& img, const QRegion* clip, uint32_t rgb);

    // A wide line through the points, closed back to the first or with the ends given; segments of no
    // length are left out, and a line of no length at all draws nothing, as with the painter.
    void Stroke(const QPoint* pts, int n, bool closed, int width, End end, Join join);
    // The rings, each closed, filled by the even-odd or the winding rule.
    void Polygon(const QPoint* pts, const int* counts, int rings, bool winding);

    // The box of the pixels written since Begin (empty when none were).
    QRect Changed() const { return QRect(QPoint(changedLeft_, changedTop_), QPoint(changedRight_, changedBottom_)); }

private:
    void Span(int y, int x0, int x1);  // x0..x1 inclusive, clipped here
    void Fill(int y, int x0, int x1);  // within the image, unclipped
    void Grow(int left, int top, int right, int bottom);
    void StrokeSpans(bool closed, double r, End end, Join join);
    bool Stamped(bool closed, int width, End end, Join join);
    void Spans(int y, double enter, double leave);
    // The pixels within radius of the segment a-b (a disk when a is b).
    void Capsule(QPointF a, QPointF b, double radius);
    void Convex(const QPointF* v, int n);
    void Box(double left, double right, int first, int last);
    bool Rows(double top, double bottom, int& first, int& last) const;

    uint8_t* bits_ = nullptr;
    int64_t stride_ = 0;
    int bytes_ = 4;
    uint32_t rgb_ = 0;
    std::vector<QRect> clip_;
    QRect bounds_;  // of the clip
    // What clip_ was made of: a map draws thousands of shapes under one clip.
    bool clipMade_ = false, clipWhole_ = false;
    QRegion clipRegion_;
    QRect clipImage_;
    qint64 imageKey_ = 0;  // QImage::cacheKey() of the pixels bits_ points into; 0: none yet
    int changedLeft_ = 0, changedTop_ = 0, changedRight_ = -1, changedBottom_ = -1;
    std::vector<QPointF> points_, normals_;
    struct Edge {
        int first, last;  // rows crossed
        double y0, x0, slope;
        int dir;
    };
    std::vector<Edge> edges_, active_;
    std::vector<std::pair<double, int>> crossings_;

    // Small outlines recur by the thousand, differing only in where they stand: the spans of one, relative to
    // its first point, are kept and written again wherever the same outline comes.
    struct StampSpan {
        int16_t y, x0, x1;
    };
    struct Stamp {
        uint64_t key[3];  // empty when all zero: no line has fewer than two points
        uint32_t first, count;
        int16_t left, top, right, bottom;  // of its spans
    };
    struct RawSpan {
        int y, x0, x1;
    };
    const Stamp* StampOf(const uint64_t (&key)[3], bool closed, int width, End end, Join join);
    std::vector<QPoint> distinct_;  // the first distinctCount_ are the line's, the rest room
    int distinctCount_ = 0;
    std::vector<Stamp> stamps_;  // open addressing, a power of two in size
    size_t stampCount_ = 0;
    std::vector<StampSpan> stampSpans_;
    std::vector<RawSpan> recorded_;
    bool recording_ = false;  // Span records instead of writing
};
