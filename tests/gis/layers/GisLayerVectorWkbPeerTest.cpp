// WKB and WKT against independent implementations: GEOS (C API) and OGR (through Debian's python3).
#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gis/layers/GisLayerVector.h"
#include "tests/gis/layers/WkbTestUtil.h"

#if QM_HAVE_GEOS
#include <geos_c.h>
#endif

namespace {

// A geometry as its WKB type and members: a point {{p}}, a line {{points}}, a polygon {rings}.
struct Sample {
    uint32_t type;
    std::vector<Parts> members;

    // What our reader makes of it: every member's parts in order; a multipoint's points as one part.
    Parts Expected() const {
        Parts out;
        for (const Parts& m : members) {
            for (const auto& part : m) {
                if (type == 4 && !out.empty()) {
                    out[0].insert(out[0].end(), part.begin(), part.end());
                } else {
                    out.push_back(part);
                }
            }
        }
        return out;
    }
    int ShapeType() const {
        static const int shapeTypes[] = {0, 2, 4, 5, 3, 4, 5};
        return shapeTypes[type];
    }
};

// Coordinates with a full mantissa, and grid-snapped ones; no vertex of a ring repeats its first before the end.
class SampleMaker {
public:
    explicit SampleMaker(uint32_t seed) : rng_(seed) {}

    Sample Make() {
        Sample s{static_cast<uint32_t>(std::uniform_int_distribution<int>(1, 6)(rng_)), {}};
        int members = s.type >= 4 ? std::uniform_int_distribution<int>(1, 4)(rng_) : 1;
        for (int m = 0; m < members; ++m) {
            switch (s.type) {
            case 1:
            case 4:
                s.members.push_back({{Point()}});
                break;
            case 2:
            case 5:
                s.members.push_back({Line(std::uniform_int_distribution<int>(2, 9)(rng_))});
                break;
            default: {
                Parts rings;
                int n = std::uniform_int_distribution<int>(1, 3)(rng_);
                for (int r = 0; r < n; ++r) rings.push_back(Ring());
                s.members.push_back(rings);
            }
            }
        }
        return s;
    }

private:
    Pt Point() {
        if (rng_() % 4 == 0) {
            std::uniform_int_distribution<int> grid(-50, 50);
            return {grid(rng_) * 0.5, grid(rng_) * 0.5};
        }
        std::uniform_real_distribution<double> u(-1e6, 1e6);
        return {u(rng_), u(rng_)};
    }
    std::vector<Pt> Line(int n) {
        std::vector<Pt> pts;
        for (int i = 0; i < n; ++i) pts.push_back(Point());
        return pts;
    }
    std::vector<Pt> Ring() {
        std::vector<Pt> pts{Point()};
        int n = std::uniform_int_distribution<int>(3, 8)(rng_);
        while (static_cast<int>(pts.size()) < n) {
            Pt p = Point();
            if (p != pts[0]) pts.push_back(p);
        }
        pts.push_back(pts[0]);
        return pts;
    }
    std::mt19937 rng_;
};

std::string Hex(const TGIS_Bytes& b) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

TGIS_Bytes FromHex(const std::string& s) {
    TGIS_Bytes b;
    for (size_t i = 0; i + 1 < s.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
    return b;
}

void CheckRead(const TGIS_Bytes& wkb, const Sample& s, const std::string& who) {
    std::unique_ptr<TGIS_Shape> shape;
    ASSERT_NO_THROW(shape = TGIS_Shape::CreateFromWKB(wkb)) << who << " " << Hex(wkb);
    ASSERT_NE(shape, nullptr) << who;
    EXPECT_EQ(shape->ShapeType(), s.ShapeType()) << who;
    ASSERT_TRUE(SameBits(PartsOf(*shape), s.Expected())) << who << " " << Hex(wkb);
}

std::string Json(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Json(const Sample& s) {
    std::string out = "[" + std::to_string(s.type) + ", [";
    for (size_t m = 0; m < s.members.size(); ++m) {
        out += m ? ", [" : "[";
        for (size_t k = 0; k < s.members[m].size(); ++k) {
            out += k ? ", [" : "[";
            for (size_t i = 0; i < s.members[m][k].size(); ++i) {
                const Pt& p = s.members[m][k][i];
                out += (i ? ", [" : "[") + Json(p.first) + ", " + Json(p.second) + "]";
            }
            out += "]";
        }
        out += "]";
    }
    return out + "]]";
}

// OGR writes both byte orders of each sample; ours reads every one to the same points.
TEST(WkbPeers, ReadsWhatOgrWrites) {
    const std::string python = "/usr/bin/python3";
    if (std::system((python + " -c 'from osgeo import ogr' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "Debian's python3 with python3-gdal (GDAL's bindings) is not installed";
    const std::string dir = QM_TEST_OUT;
    const std::string in = dir + "/ogr_wkb_in.txt", out = dir + "/ogr_wkb_out.txt";
    std::vector<Sample> samples;
    SampleMaker maker(21);
    {
        std::ofstream f(in, std::ios::trunc);
        for (int i = 0; i < 2000; ++i) {
            samples.push_back(maker.Make());
            f << Json(samples.back()) << "\n";
        }
    }
    std::string cmd = python + " " + QM_SOURCE_DIR + "/tests/gis/layers/ogr_wkb.py < " + in + " > " + out;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream f(out);
    std::string little, big;
    size_t n = 0;
    for (; n < samples.size() && f >> little >> big; ++n) {
        CheckRead(FromHex(little), samples[n], "OGR little-endian");
        CheckRead(FromHex(big), samples[n], "OGR big-endian");
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(n, samples.size());
}

#if QM_HAVE_GEOS

class GeosFixture : public ::testing::Test {
protected:
    void SetUp() override { h = GEOS_init_r(); }
    void TearDown() override { GEOS_finish_r(h); }

    GEOSGeometry* Seq(const std::vector<Pt>& pts, bool ring) {
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, static_cast<unsigned>(pts.size()), 2);
        for (size_t i = 0; i < pts.size(); ++i) GEOSCoordSeq_setXY_r(h, seq, static_cast<unsigned>(i), pts[i].first, pts[i].second);
        return ring ? GEOSGeom_createLinearRing_r(h, seq) : GEOSGeom_createLineString_r(h, seq);
    }
    GEOSGeometry* Polygon(const Parts& rings) {
        std::vector<GEOSGeometry*> holes;
        for (size_t r = 1; r < rings.size(); ++r) holes.push_back(Seq(rings[r], true));
        return GEOSGeom_createPolygon_r(h, Seq(rings[0], true), holes.data(), static_cast<unsigned>(holes.size()));
    }
    GEOSGeometry* Member(uint32_t type, const Parts& m) {
        if (type == 1) return GEOSGeom_createPointFromXY_r(h, m[0][0].first, m[0][0].second);
        if (type == 2) return Seq(m[0], false);
        return Polygon(m);
    }
    GEOSGeometry* Build(const Sample& s) {
        if (s.type <= 3) return Member(s.type, s.members[0]);
        std::vector<GEOSGeometry*> members;
        for (const Parts& m : s.members) members.push_back(Member(s.type - 3, m));
        static const int kinds[] = {0, 0, 0, 0, GEOS_MULTIPOINT, GEOS_MULTILINESTRING, GEOS_MULTIPOLYGON};
        return GEOSGeom_createCollection_r(h, kinds[s.type], members.data(), static_cast<unsigned>(members.size()));
    }

    void AppendSeq(const GEOSGeometry* g, std::vector<Pt>& part) {
        const GEOSCoordSequence* seq = GEOSGeom_getCoordSeq_r(h, g);
        unsigned n = 0;
        GEOSCoordSeq_getSize_r(h, seq, &n);
        for (unsigned i = 0; i < n; ++i) {
            double x, y;
            GEOSCoordSeq_getXY_r(h, seq, i, &x, &y);
            part.emplace_back(x, y);
        }
    }
    // Parts in our reader's order.
    Parts PartsOfGeos(const GEOSGeometry* g) {
        Parts out;
        int type = GEOSGeomTypeId_r(h, g);
        if (type == GEOS_MULTIPOINT) {
            out.emplace_back();
            for (int i = 0; i < GEOSGetNumGeometries_r(h, g); ++i) AppendSeq(GEOSGetGeometryN_r(h, g, i), out[0]);
        } else if (type == GEOS_MULTILINESTRING || type == GEOS_MULTIPOLYGON) {
            for (int i = 0; i < GEOSGetNumGeometries_r(h, g); ++i) {
                Parts m = PartsOfGeos(GEOSGetGeometryN_r(h, g, i));
                out.insert(out.end(), m.begin(), m.end());
            }
        } else if (type == GEOS_POLYGON) {
            out.emplace_back();
            AppendSeq(GEOSGetExteriorRing_r(h, g), out.back());
            for (int i = 0; i < GEOSGetNumInteriorRings_r(h, g); ++i) {
                out.emplace_back();
                AppendSeq(GEOSGetInteriorRingN_r(h, g, i), out.back());
            }
        } else {
            out.emplace_back();
            AppendSeq(g, out.back());
        }
        return out;
    }

    GEOSContextHandle_t h = nullptr;
};

// GEOS writes both byte orders; ours reads them to the same points. GEOS reads our WKB and our WKT (the
// bare MULTIPOINT form included) back to the same points.
TEST_F(GeosFixture, WkbBothWays) {
    GEOSWKBWriter* writer = GEOSWKBWriter_create_r(h);
    GEOSWKBReader* reader = GEOSWKBReader_create_r(h);
    GEOSWKTReader* wktReader = GEOSWKTReader_create_r(h);
    SampleMaker maker(2026);
    for (int i = 0; i < 3000 && !HasFatalFailure(); ++i) {
        Sample s = maker.Make();
        GEOSGeometry* g = Build(s);
        ASSERT_NE(g, nullptr);
        for (int order : {GEOS_WKB_NDR, GEOS_WKB_XDR}) {
            GEOSWKBWriter_setByteOrder_r(h, writer, order);
            size_t size = 0;
            unsigned char* wkb = GEOSWKBWriter_write_r(h, writer, g, &size);
            CheckRead(TGIS_Bytes(wkb, wkb + size), s, order == GEOS_WKB_NDR ? "GEOS little-endian" : "GEOS big-endian");
            GEOSFree_r(h, wkb);
        }
        auto ours = TGIS_Shape::CreateFromWKB([&] {
            size_t size = 0;
            unsigned char* wkb = GEOSWKBWriter_write_r(h, writer, g, &size);
            TGIS_Bytes b(wkb, wkb + size);
            GEOSFree_r(h, wkb);
            return b;
        }());
        TGIS_Bytes back;
        ours->ExportWKB(back);
        GEOSGeometry* fromWkb = GEOSWKBReader_read_r(h, reader, back.data(), back.size());
        ASSERT_NE(fromWkb, nullptr) << Hex(back);
        EXPECT_TRUE(SameBits(PartsOfGeos(fromWkb), s.Expected())) << Hex(back);
        std::string wkt = ours->ExportWKT();
        GEOSGeometry* fromWkt = GEOSWKTReader_read_r(h, wktReader, wkt.c_str());
        ASSERT_NE(fromWkt, nullptr) << wkt;
        EXPECT_TRUE(SameBits(PartsOfGeos(fromWkt), s.Expected())) << wkt;
        GEOSGeom_destroy_r(h, fromWkt);
        GEOSGeom_destroy_r(h, fromWkb);
        GEOSGeom_destroy_r(h, g);
    }
    GEOSWKTReader_destroy_r(h, wktReader);
    GEOSWKBReader_destroy_r(h, reader);
    GEOSWKBWriter_destroy_r(h, writer);
}

#else

TEST(WkbPeers, GeosMissing) { GTEST_SKIP() << "GEOS (libgeos-dev) is not installed"; }

#endif

}  // namespace
