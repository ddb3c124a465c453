#include "platform/ui/SpanRaster.h"

#include <QRegion>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {
// Pixel centres are sampled a hair above and left of the true centre (further left than up): a centre
// on a shape's top or left edge then falls outside, one on its bottom or right edge inside, and one on a
// diagonal goes the painter's way; no sample ever lies on an edge between integer points.
constexpr double kNudge = 1.0 / 4096;
constexpr double kCentreX = 0.5 - 2 * kNudge, kCentreY = 0.5 - kNudge;
constexpr double kInf = std::numeric_limits<double>::infinity();

// The ceiling of a value well inside the range of int, without a library call.
inline int Ceil(double v) {
    const int i = int(v);
    return i + (v > i);
}
// Both coordinates of a point at once.
static_assert(sizeof(QPoint) == sizeof(uint64_t) && std::is_trivially_copyable_v<QPoint>);
inline uint64_t Bits(const QPoint& p) { return std::bit_cast<uint64_t>(p); }
// The ceiling as a row or column, kept within lo..hi so that far coordinates never overflow.
inline int CeilWithin(double v, int lo, int hi) { return v <= lo ? lo : v >= hi ? hi : Ceil(v); }
}  // namespace

void TSpanRaster::Begin(QImage& img, const QRegion* clip, uint32_t rgb) {
    rgb_ = rgb & 0xFFFFFF;
    changedLeft_ = changedTop_ = 0;
    changedRight_ = changedBottom_ = -1;
    // A map draws thousands of shapes into one image under one clip: what was set up stays while the
    // image's cache key holds. The key names the image's data and counts its detaches (bits() is one), so
    // an equal key on unshared data leaves the pixels, their rows and their size as they were; shared
    // pixels are parted below.
    const bool sameClip = clipMade_ && (clip ? !clipWhole_ && *clip == clipRegion_ : clipWhole_);
    if (sameClip && imageKey_ != 0 && img.cacheKey() == imageKey_ && img.isDetached()) return;
    bits_ = img.bits();
    imageKey_ = img.cacheKey();
    stride_ = img.bytesPerLine();
    bytes_ = img.format() == QImage::Format_BGR888 ? 3 : 4;
    const QRect all = img.rect();
    if (sameClip && all == clipImage_) return;
    clipMade_ = true;
    clipImage_ = all;
    clipWhole_ = !clip;
    clipRegion_ = clip ? *clip : QRegion();
    clip_.clear();
    if (!clip) {
        if (!all.isEmpty()) clip_.push_back(all);
    } else {
        for (const QRect& r : *clip) {
            const QRect c = r & all;
            if (!c.isEmpty()) clip_.push_back(c);
        }
    }
    bounds_ = QRect();
    for (const QRect& c : clip_) bounds_ |= c;
}

namespace {
// Blue, green, red from 0xRRGGBB: four pixels are three words. The words are shifts of the colour, made in a
// few instructions: most spans of a small map's outlines are a pixel or two, and a pattern built in memory
// would cost more than they do. The pixels past the last four, and the short spans, are written by words that
// overlap pixels already written with the same colour: a word standing a whole number of pixels from the
// first, or from the last byte, always holds the same part of a pixel, and a loop pixel by pixel would end
// where the branch could not guess.
static_assert(std::endian::native == std::endian::little);
inline void Fill24(uint8_t* p, int left, uint32_t rgb) {
    // Bytes 0-3, 4-7 and 8-11 of four pixels.
    const uint32_t w[3] = {rgb | rgb << 24, rgb >> 8 | rgb << 16, rgb >> 16 | rgb << 8};
    uint8_t* const end = p + 3 * left;
    if (left >= 4) {
        for (; left >= 4; left -= 4, p += 12) std::memcpy(p, w, 12);
        if (left > 0) std::memcpy(end - 12, w, 12);
    } else if (left >= 2) {
        // Two or three pixels: bytes 0-3, then the last five as bytes 4-7 and 8-11 of the four.
        std::memcpy(p, &w[0], 4);
        std::memcpy(end - 5, &w[1], 4);
        std::memcpy(end - 4, &w[2], 4);
    } else if (left == 1) {
        p[0] = uint8_t(rgb);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb >> 16);
    }
}
}  // namespace

void TSpanRaster::Fill(int y, int x0, int x1) {
    uint8_t* row = bits_ + y * stride_;
    if (bytes_ == 4) {
        std::fill(reinterpret_cast<uint32_t*>(row) + x0, reinterpret_cast<uint32_t*>(row) + x1 + 1, 0xFF000000u | rgb_);
        return;
    }
    Fill24(row + 3 * x0, x1 - x0 + 1, rgb_);
}

void TSpanRaster::Grow(int left, int top, int right, int bottom) {
    if (changedRight_ < changedLeft_) {
        changedLeft_ = left;
        changedRight_ = right;
        changedTop_ = top;
        changedBottom_ = bottom;
    } else {
        changedLeft_ = std::min(changedLeft_, left);
        changedRight_ = std::max(changedRight_, right);
        changedTop_ = std::min(changedTop_, top);
        changedBottom_ = std::max(changedBottom_, bottom);
    }
}

void TSpanRaster::Span(int y, int x0, int x1) {
    if (recording_) {
        recorded_.push_back({y, x0, x1});
        return;
    }
    // The clip's rectangles come in bands from the top down.
    for (const QRect& c : clip_) {
        if (c.top() > y) break;
        if (c.bottom() < y) continue;
        const int l = std::max(x0, c.left()), r = std::min(x1, c.right());
        if (l > r) continue;
        Fill(y, l, r);
        Grow(l, y, r, y);
    }
}

// Pixels whose sampled centre lies in [enter, leave) on row y.
void TSpanRaster::Spans(int y, double enter, double leave) {
    const double left = bounds_.left() - 2.0, right = bounds_.right() + 2.0;
    const int x0 = Ceil(std::clamp(enter, left, right) - kCentreX);
    const int x1 = Ceil(std::clamp(leave, left, right) - kCentreX) - 1;
    if (x0 <= x1) Span(y, x0, x1);
}

// Rows whose sampled centre lies in [top, bottom), within the clip; false when there are none.
bool TSpanRaster::Rows(double top, double bottom, int& first, int& last) const {
    if (bounds_.isEmpty() || !(top < bottom)) return false;
    first = CeilWithin(top - kCentreY, bounds_.top(), bounds_.bottom() + 1);
    last = CeilWithin(bottom - kCentreY, bounds_.top(), bounds_.bottom() + 1) - 1;
    return first <= last;
}

void TSpanRaster::Capsule(QPointF a, QPointF b, double radius) {
    const double ax = a.x(), ay = a.y(), bx = b.x(), by = b.y(), dx = bx - ax, dy = by - ay;
    int first, last;
    if (!(radius > 0) || !Rows(std::min(ay, by) - radius, std::max(ay, by) + radius + 1, first, last)) return;
    const double l2 = dx * dx + dy * dy, rl = radius * std::sqrt(l2), r2 = radius * radius;
    for (int y = first; y <= last; ++y) {
        const double cy = y + kCentreY;
        // The capsule is convex: its row is the hull of the rows of its two end disks and of its band.
        double lo = kInf, hi = -kInf;
        auto disk = [&](double px, double py) {
            const double h2 = r2 - (cy - py) * (cy - py);
            if (h2 < 0) return;
            const double h = std::sqrt(h2);
            lo = std::min(lo, px - h);
            hi = std::max(hi, px + h);
        };
        disk(ax, ay);
        disk(bx, by);
        if (l2 > 0) {
            // The band: centres projecting inside the segment, no farther than the radius from its line.
            const double ey = cy - ay;
            double blo = -kInf, bhi = kInf;
            bool band = true;
            if (dx != 0) {
                const double u = ax - ey * dy / dx, v = ax + (l2 - ey * dy) / dx;
                blo = std::min(u, v);
                bhi = std::max(u, v);
            } else {
                band = ey * dy >= 0 && ey * dy <= l2;
            }
            if (dy != 0) {
                const double u = ax + (ey * dx - rl) / dy, v = ax + (ey * dx + rl) / dy;
                blo = std::max(blo, std::min(u, v));
                bhi = std::min(bhi, std::max(u, v));
            } else {
                band = band && std::fabs(ey * dx) <= rl;
            }
            if (band && blo <= bhi) {
                lo = std::min(lo, blo);
                hi = std::max(hi, bhi);
            }
        }
        if (lo <= hi) Spans(y, lo, hi);
    }
}

void TSpanRaster::Box(double left, double right, int first, int last) {
    // The same columns on every row.
    const int x0 = CeilWithin(left - kCentreX, bounds_.left() - 1, bounds_.right() + 2);
    const int x1 = CeilWithin(right - kCentreX, bounds_.left() - 1, bounds_.right() + 2) - 1;
    if (x0 <= x1)
        for (int y = first; y <= last; ++y) Span(y, x0, x1);
}

void TSpanRaster::Convex(const QPointF* v, int n) {
    // A band or a bevel: four sides at most, of which two cross any row.
    struct Side {
        double top, bottom, x0, y0, slope;
    } sides[4];
    int count = 0;
    double top = kInf, bottom = -kInf, left = kInf, right = -kInf;
    for (int i = 0; i < n && i < 4; ++i) {
        const QPointF &p = v[i], &q = v[(i + 1) % n];
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        if (p.y() != q.y())
            sides[count++] = {std::min(p.y(), q.y()), std::max(p.y(), q.y()), p.x(), p.y(),
                              (q.x() - p.x()) / (q.y() - p.y())};
    }
    int first, last;
    if (!Rows(top, bottom, first, last)) return;
    if (count == 2 && sides[0].slope == 0 && sides[1].slope == 0) {
        Box(left, right, first, last);
        return;
    }
    for (int y = first; y <= last; ++y) {
        const double cy = y + kCentreY;
        double lo = kInf, hi = -kInf;
        for (int i = 0; i < count; ++i) {
            const Side& e = sides[i];
            if (cy < e.top || cy >= e.bottom) continue;
            const double x = e.x0 + (cy - e.y0) * e.slope;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        if (lo < hi) Spans(y, lo, hi);
    }
}

void TSpanRaster::Stroke(const QPoint* pts, int n, bool closed, int width, End end, Join join) {
    // The line's distinct points; the painter leaves out segments of no length too. Every point is written
    // and kept only when it moves: whether one does is a toss-up in a small map, a branch would guess wrong,
    // and so would the two branches of comparing a point by its coordinates, hence one comparison of both.
    // The last point kept is the one before, so each test waits on no other.
    if (n < 1) return;
    if (distinct_.size() < size_t(n)) distinct_.resize(size_t(n));
    QPoint* v = distinct_.data();
    v[0] = pts[0];
    int m = 1;
    for (int i = 1; i < n; ++i) {
        v[m] = pts[i];
        m += Bits(pts[i]) != Bits(pts[i - 1]);
    }
    if (closed && m > 2 && Bits(v[m - 1]) == Bits(v[0])) --m;
    distinctCount_ = m;
    if (m < 2 || width <= 0 || bounds_.isEmpty() || Stamped(closed, width, end, join)) return;
    points_.assign(v, v + m);
    StrokeSpans(closed, width / 2.0, end, join);
}

void TSpanRaster::StrokeSpans(bool closed, double r, End end, Join join) {
    const std::vector<QPointF>& v = points_;
    const int m = int(v.size());
    const int segments = closed ? m : m - 1;
    // Round ends and joins make the pixels within half the width of the line: a capsule a segment.
    if (end == End::Round && join == Join::Round) {
        for (int s = 0; s < segments; ++s) Capsule(v[s], v[(s + 1) % m], r);
        return;
    }
    // Otherwise a band a segment, each turn filled by a disk or a bevel, the open ends by their caps.
    auto normal = [r](QPointF a, QPointF b) {
        const QPointF d = b - a;
        const double len = std::sqrt(d.x() * d.x() + d.y() * d.y());
        return QPointF(-d.y() * r / len, d.x() * r / len);
    };
    std::vector<QPointF>& normals = normals_;
    normals.clear();
    for (int s = 0; s < segments; ++s) {
        QPointF a = v[s], b = v[(s + 1) % m];
        const QPointF nrm = normal(a, b), along(nrm.y(), -nrm.x());
        normals.push_back(nrm);
        if (!closed && end == End::Square) {
            if (s == 0) a -= along;
            if (s == segments - 1) b += along;
        }
        int first, last;
        if (a.x() == b.x() || a.y() == b.y()) {  // upright: a rectangle
            const QPointF p = a + nrm, q = b - nrm;
            if (Rows(std::min(p.y(), q.y()), std::max(p.y(), q.y()), first, last))
                Box(std::min(p.x(), q.x()), std::max(p.x(), q.x()), first, last);
            continue;
        }
        const QPointF quad[4] = {a + nrm, b + nrm, b - nrm, a - nrm};
        Convex(quad, 4);
    }
    for (int i = closed ? 0 : 1; i < (closed ? m : m - 1); ++i) {
        const QPointF prev = v[(i + m - 1) % m], at = v[i], next = v[(i + 1) % m];
        if (join == Join::Round) {
            Capsule(at, at, r);
            continue;
        }
        // The bevel closes the outer side of the turn.
        const QPointF d1 = at - prev, d2 = next - at;
        const double cross = d1.x() * d2.y() - d1.y() * d2.x();
        if (cross == 0) continue;
        const double side = cross > 0 ? -1 : 1;
        const QPointF tri[3] = {at, at + side * normals[(i + segments - 1) % segments], at + side * normals[i]};
        Convex(tri, 3);
    }
    if (!closed && end == End::Round) {
        Capsule(v.front(), v.front(), r);
        Capsule(v.back(), v.back(), r);
    }
}

// A line of a few points within a small box is written from the spans it had where it first came, moved: the
// spans of a line depend only on where its points lie relative to the pixel grid, and its points are whole
// pixels. Near the image the first place is a few thousand pixels off at most, where no rounding of the
// coordinates can move a pixel centre across an edge. False when the line is no such one.
bool TSpanRaster::Stamped(bool closed, int width, End end, Join join) {
    constexpr int kPoints = 8, kReach = 32, kWidth = 16, kNear = 1 << 16;
    const QPoint* v = distinct_.data();
    const int m = distinctCount_;
    if (m > kPoints || width > kWidth) return false;
    const int x = v[0].x(), y = v[0].y();
    if (x < -kNear || x > kNear || y < -kNear || y > kNear) return false;
    // The key, byte by byte: the count, the width and the form of the pen, then every point but the first as
    // a byte pair from the first. Whether a point reaches too far is gathered, not branched on point by point.
    const int form = int(closed) | int(end) << 1 | int(join) << 3;
    uint8_t bytes[sizeof(uint64_t[3])] = {uint8_t(m), uint8_t(width), uint8_t(form)};
    uint64_t far = 0;
    for (int i = 1; i < m; ++i) {
        const int64_t dx = int64_t(v[i].x()) - x, dy = int64_t(v[i].y()) - y;
        far |= (uint64_t(dx + kReach) > uint64_t(2 * kReach)) | (uint64_t(dy + kReach) > uint64_t(2 * kReach));
        bytes[1 + 2 * i] = uint8_t(dx);
        bytes[2 + 2 * i] = uint8_t(dy);
    }
    if (far) return false;
    uint64_t key[3];
    static_assert(std::endian::native == std::endian::little);  // the first byte the lowest of key[0]
    std::memcpy(key, bytes, sizeof key);
    const Stamp* stamp = StampOf(key, closed, width, end, join);
    if (stamp->count == 0) return true;
    const StampSpan* spans = stampSpans_.data() + stamp->first;
    const QRect box(QPoint(x + stamp->left, y + stamp->top), QPoint(x + stamp->right, y + stamp->bottom));
    const QRect& only = clip_.front();
    if (clip_.size() == 1 && only.left() <= box.left() && only.right() >= box.right() && only.top() <= box.top() &&
        only.bottom() >= box.bottom()) {
        // Within the clip: straight into the rows, the pixel made once for all the spans.
        if (bytes_ == 4) {
            const uint32_t px = 0xFF000000u | rgb_;
            for (uint32_t i = 0; i < stamp->count; ++i) {
                uint32_t* row = reinterpret_cast<uint32_t*>(bits_ + (int64_t(y) + spans[i].y) * stride_);
                std::fill(row + (x + spans[i].x0), row + (x + spans[i].x1 + 1), px);
            }
        } else {
            for (uint32_t i = 0; i < stamp->count; ++i)
                Fill24(bits_ + (int64_t(y) + spans[i].y) * stride_ + 3 * (int64_t(x) + spans[i].x0),
                       spans[i].x1 - spans[i].x0 + 1, rgb_);
        }
        Grow(box.left(), box.top(), box.right(), box.bottom());
    } else {
        for (uint32_t i = 0; i < stamp->count; ++i) Span(y + spans[i].y, x + spans[i].x0, x + spans[i].x1);
    }
    return true;
}

// The stamp of the line in distinct_, made when it is new.
const TSpanRaster::Stamp* TSpanRaster::StampOf(const uint64_t (&key)[3], bool closed, int width, End end, Join join) {
    constexpr size_t kFirstSlots = 256, kMostSlots = 8192;
    if (stamps_.empty()) stamps_.resize(kFirstSlots);
    auto slotOf = [this](const uint64_t(&k)[3]) {
        const size_t mask = stamps_.size() - 1;
        const uint64_t h =
            (k[0] * 0x9E3779B97F4A7C15ull) ^ (k[1] * 0xC2B2AE3D27D4EB4Full) ^ (k[2] * 0x165667B19E3779F9ull);
        size_t at = size_t(h ^ (h >> 29)) & mask;
        while (stamps_[at].key[0] != 0 && !(stamps_[at].key[0] == k[0] && stamps_[at].key[1] == k[1] &&
                                           stamps_[at].key[2] == k[2]))
            at = (at + 1) & mask;
        return at;
    };
    size_t at = slotOf(key);
    if (stamps_[at].key[0] != 0) return &stamps_[at];
    if (2 * (stampCount_ + 1) > stamps_.size()) {
        if (stamps_.size() < kMostSlots) {
            // Half full: twice the slots, every stamp kept.
            std::vector<Stamp> old(stamps_.size() * 2);
            old.swap(stamps_);
            for (const Stamp& s : old)
                if (s.key[0] != 0) stamps_[slotOf(s.key)] = s;
        } else {
            // As many as are kept: begin again rather than grow without end.
            std::fill(stamps_.begin(), stamps_.end(), Stamp{});
            stampSpans_.clear();
            stampCount_ = 0;
        }
        at = slotOf(key);
    }
    // Every span of the line, unclipped: clipped when written, they are the pixels drawing it here gives.
    const int x = distinct_[0].x(), y = distinct_[0].y();
    points_.assign(distinct_.data(), distinct_.data() + distinctCount_);
    recorded_.clear();
    const QRect kept = bounds_;
    bounds_ = QRect(QPoint(-(1 << 20), -(1 << 20)), QPoint(1 << 20, 1 << 20));
    recording_ = true;
    StrokeSpans(closed, width / 2.0, end, join);
    recording_ = false;
    bounds_ = kept;
    std::sort(recorded_.begin(), recorded_.end(),
              [](const RawSpan& a, const RawSpan& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    Stamp& stamp = stamps_[at];
    stamp = Stamp{{key[0], key[1], key[2]}, uint32_t(stampSpans_.size()), 0,
                  INT16_MAX, INT16_MAX, INT16_MIN, INT16_MIN};
    for (const RawSpan& r : recorded_) {
        const int16_t sy = int16_t(r.y - y), s0 = int16_t(r.x0 - x), s1 = int16_t(r.x1 - x);
        // Overlapping spans of a row are written once: the same pixels, fewer writes.
        StampSpan* last = stamp.count ? &stampSpans_.back() : nullptr;
        if (last && last->y == sy && s0 <= last->x1 + 1) {
            last->x1 = std::max(last->x1, s1);
        } else {
            stampSpans_.push_back({sy, s0, s1});
            ++stamp.count;
        }
        stamp.left = std::min(stamp.left, s0);
        stamp.right = std::max(stamp.right, s1);
        stamp.top = std::min(stamp.top, sy);
        stamp.bottom = std::max(stamp.bottom, sy);
    }
    ++stampCount_;
    return &stamp;
}

void TSpanRaster::Polygon(const QPoint* pts, const int* counts, int rings, bool winding) {
    if (bounds_.isEmpty()) return;
    edges_.clear();
    int k = 0;
    for (int i = 0; i < rings; ++i) {
        const int n = counts[i];
        if (n <= 0) continue;
        for (int j = 0; j < n; ++j) {
            const QPoint& p = pts[k + j];
            const QPoint& q = pts[k + (j + 1) % n];
            if (p.y() == q.y()) continue;
            const double ylo = std::min(p.y(), q.y()), yhi = std::max(p.y(), q.y());
            // Rows whose sampled centre lies in [ylo, yhi).
            Edge e;
            if (!Rows(ylo, yhi, e.first, e.last)) continue;
            e.y0 = p.y();
            e.x0 = p.x();
            e.slope = double(q.x() - double(p.x())) / (double(q.y()) - p.y());
            e.dir = q.y() > p.y() ? 1 : -1;
            edges_.push_back(e);
        }
        k += n;
    }
    if (edges_.empty()) return;
    std::sort(edges_.begin(), edges_.end(), [](const Edge& l, const Edge& r) { return l.first < r.first; });
    int last = bounds_.top() - 1;
    for (const Edge& e : edges_) last = std::max(last, e.last);
    active_.clear();
    size_t next = 0;
    for (int y = edges_.front().first; y <= last; ++y) {
        while (next < edges_.size() && edges_[next].first <= y) active_.push_back(edges_[next++]);
        active_.erase(std::remove_if(active_.begin(), active_.end(), [y](const Edge& e) { return e.last < y; }),
                     active_.end());
        const double cy = y + kCentreY;
        crossings_.clear();
        for (const Edge& e : active_) crossings_.emplace_back(e.x0 + (cy - e.y0) * e.slope, e.dir);
        // A handful at a time: an insertion sort.
        for (size_t i = 1; i < crossings_.size(); ++i)
            for (size_t j = i; j > 0 && crossings_[j] < crossings_[j - 1]; --j) std::swap(crossings_[j], crossings_[j - 1]);
        int wind = 0;
        double from = 0;
        for (const auto& [x, dir] : crossings_) {
            const int before = wind;
            wind = winding ? wind + dir : wind ^ 1;
            if (before == 0 && wind != 0)
                from = x;
            else if (before != 0 && wind == 0)
                Spans(y, from, x);
        }
    }
}
