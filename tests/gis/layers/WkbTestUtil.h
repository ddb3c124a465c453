// Shapes as plain point lists, and WKB built byte by byte, for the WKT/WKB tests.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "gis/layers/GisLayerVector.h"

// Pairs compare and print in test messages as points do not.
using Pt = std::pair<double, double>;
using Parts = std::vector<std::vector<Pt>>;

inline Parts PartsOf(TGIS_Shape& s) {
    Parts parts;
    if (!s.HasGeometry()) return parts;
    for (int k = 0; k < s.GetNumParts(); ++k) {
        parts.emplace_back();
        for (int i = 0; i < s.GetPartSize(k); ++i) {
            TGIS_Point p = s.GetPoint(k, i);
            parts.back().emplace_back(p.X, p.Y);
        }
    }
    return parts;
}

// Equal to the bit, so that -0 and 0 differ.
inline bool SameBits(const Parts& a, const Parts& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].size() != b[k].size()) return false;
        for (size_t i = 0; i < a[k].size(); ++i) {
            if (std::bit_cast<uint64_t>(a[k][i].first) != std::bit_cast<uint64_t>(b[k][i].first)) return false;
            if (std::bit_cast<uint64_t>(a[k][i].second) != std::bit_cast<uint64_t>(b[k][i].second)) return false;
        }
    }
    return true;
}

// A finite double from random bits: every exponent and mantissa is as likely.
inline double RandomDouble(std::mt19937_64& rng) {
    for (;;) {
        double d = std::bit_cast<double>(rng());
        if (std::isfinite(d)) return d;
    }
}

struct WkbBuilder {
    explicit WkbBuilder(bool littleEndian) : little(littleEndian) {}
    bool little;
    std::vector<uint8_t> bytes;

    // Later fields in the other byte order (a member with its own).
    WkbBuilder& Then(bool littleEndian) {
        little = littleEndian;
        return *this;
    }
    WkbBuilder& Header(uint32_t type) {
        bytes.push_back(little ? 1 : 0);
        return UInt(type);
    }
    WkbBuilder& UInt(uint32_t v) { return Raw(&v, 4); }
    WkbBuilder& Double(double v) { return Raw(&v, 8); }

private:
    WkbBuilder& Raw(const void* v, size_t n) {
        uint8_t b[8];
        std::memcpy(b, v, n);
        for (size_t i = 0; i < n; ++i) bytes.push_back(little ? b[i] : b[n - 1 - i]);
        return *this;
    }
};
