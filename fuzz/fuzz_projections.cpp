// Bytes choose a registered projection, a datum, the zone and the fourteen SetUp values, then points that go
// through Project and Unproject. EGIS_Exception is an answer; a crash, a sanitizer report or a hang is not,
// nor a non-finite result of a finite point.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "gis/core/GisProjections.h"

namespace {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool Empty() const { return p_ >= end_; }
    uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    // Mostly values on the scale of `unit` (angles, metres, scale factors), sometimes any 8 bytes at all.
    double Value(double unit) {
        const uint8_t mode = Byte();
        if (mode < 24) {
            double v = 0;
            uint8_t raw[sizeof v];
            for (uint8_t& b : raw) b = Byte();
            std::memcpy(&v, raw, sizeof v);
            return v;
        }
        const double v = static_cast<int16_t>(Word()) / 32768.0 * unit;
        return mode < 64 ? std::round(v) : v;
    }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

constexpr double kAngle = 8, kMetres = 3e7;

bool Finite(const TGIS_Point3D& p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    TGIS_ProjectionList& list = GisProjectionList();
    std::unique_ptr<TGIS_ProjectionAbstract> p = list.Items(in.Byte() % list.Count())->NewInstance();
    try {
        const int datum = in.Word();
        if (datum < GisDatumList().Count()) p->SetDatum(GisDatumList().Items(datum));
        const int32_t zone = static_cast<int8_t>(in.Byte());
        double v[14];
        for (int i = 0; i < 14; ++i) v[i] = in.Value(i == 2 || i == 3 ? kMetres : i == 6 ? 4 : kAngle);
        p->SetUp(zone, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13]);
    } catch (const EGIS_Exception&) {
        return 0;
    }
    while (!in.Empty()) {
        const bool forward = in.Byte() & 1;
        TGIS_Point3D pt;
        pt.X = in.Value(forward ? kAngle : kMetres);
        pt.Y = in.Value(forward ? kAngle : kMetres);
        try {
            TGIS_Point3D out, back;
            if (forward)
                p->Project(pt, out);
            else
                p->Unproject(pt, out);
            if (Finite(pt) && !Finite(out)) __builtin_trap();
            if (forward)
                p->Unproject(out, back);
            else
                p->Project(out, back);
            if (Finite(out) && !Finite(back)) __builtin_trap();
        } catch (const EGIS_Exception&) {
        }
    }
    return 0;
}
