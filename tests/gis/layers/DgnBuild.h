// Design files built byte by byte for the layer's tests: elements with a display header, vertices, texts,
// attribute words, colour tables and the design file header.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class DgnBuild {
public:
    explicit DgnBuild(bool threeD = false) : threeD_(threeD) {}

    static void PutWord(std::string& s, size_t at, uint16_t w) {
        s[at] = char(w & 0xFF);
        s[at + 1] = char(w >> 8);
    }
    static void PutInt(std::string& s, size_t at, int32_t v) {
        const uint32_t u = uint32_t(v);
        s[at] = char((u >> 16) & 0xFF);
        s[at + 1] = char(u >> 24);
        s[at + 2] = char(u & 0xFF);
        s[at + 3] = char((u >> 8) & 0xFF);
    }
    static void PutVax(std::string& s, size_t at, double v) {
        uint64_t bits = 0;
        if (v != 0) {
            int e = 0;
            const double m = std::frexp(std::fabs(v), &e);
            bits = (v < 0 ? uint64_t(1) << 63 : 0) | (uint64_t(e + 128) << 55) | uint64_t(std::ldexp(m - 0.5, 56));
        }
        for (int i = 0; i < 8; ++i) s[at + size_t(i ^ 1)] = char((bits >> (56 - 8 * i)) & 0xFF);
    }

    // A zeroed element of `length` bytes (even, at least 4) with its header.
    static std::string Element(uint8_t type, uint8_t level, size_t length) {
        std::string e(length, '\0');
        e[0] = char(level & 0x3F);
        e[1] = char(type);
        PutWord(e, 2, uint16_t((length - 4) / 2));
        return e;
    }
    static void SetDisplay(std::string& e, uint8_t color, uint8_t weight = 0, uint8_t style = 0) {
        e[34] = char((style & 7) | (weight << 3));
        e[35] = char(color);
    }
    // Appends attribute words and points the display header at them.
    static void AddAttributes(std::string& e, const std::vector<uint16_t>& words) {
        const size_t start = e.size();
        for (uint16_t w : words) {
            e.push_back(char(w & 0xFF));
            e.push_back(char(w >> 8));
        }
        PutWord(e, 2, uint16_t((e.size() - 4) / 2));
        PutWord(e, 30, uint16_t((start - 32) / 2));
        PutWord(e, 32, uint16_t(uint8_t(e[32]) | (uint8_t(e[33]) << 8) | 0x800));
    }

    size_t VertexBytes() const { return threeD_ ? 12 : 8; }
    void PutVertex(std::string& e, size_t at, const std::vector<int32_t>& v) const {
        PutInt(e, at, v[0]);
        PutInt(e, at + 4, v[1]);
        if (threeD_) PutInt(e, at + 8, v.size() > 2 ? v[2] : 0);
    }

    std::string DesignHeader(int32_t subunits, int32_t units, double ox, double oy, double oz) const {
        std::string e = Element(9, 8, 4 + 2 * 766);
        if (threeD_) {
            e[0] = char(0xC8);
            e[1214] = 0x40;  // the control block's own 3D flag, which GDAL reads
        }
        PutInt(e, 1112, subunits);
        PutInt(e, 1116, units);
        e.replace(1120, 4, "musu");
        PutVax(e, 1240, ox);
        PutVax(e, 1248, oy);
        PutVax(e, 1256, oz);
        return e;
    }
    std::string Line(const std::vector<int32_t>& a, const std::vector<int32_t>& b, uint8_t level = 0) const {
        std::string e = Element(3, level, 36 + 2 * VertexBytes());
        PutVertex(e, 36, a);
        PutVertex(e, 36 + VertexBytes(), b);
        return e;
    }
    // Line string (4) or shape (6); `count` overrides the vertex count written.
    std::string Vertices(uint8_t type, const std::vector<std::vector<int32_t>>& pts, int count = -1) const {
        std::string e = Element(type, 0, 38 + pts.size() * VertexBytes());
        PutWord(e, 36, uint16_t(count >= 0 ? count : int(pts.size())));
        for (size_t i = 0; i < pts.size(); ++i) PutVertex(e, 38 + i * VertexBytes(), pts[i]);
        return e;
    }
    std::string Cell(const std::vector<int32_t>& origin) const {
        const size_t at = threeD_ ? 112 : 84;
        std::string e = Element(2, 0, at + VertexBytes());
        PutVertex(e, at, origin);
        return e;
    }
    std::string Text(const std::vector<int32_t>& at, const std::string& text) const {
        const size_t o = threeD_ ? 62 : 50;
        std::string e = Element(17, 0, (o + VertexBytes() + 2 + text.size() + 1) & ~size_t(1));
        PutVertex(e, o, at);
        e[o + VertexBytes()] = char(text.size());
        e.replace(o + VertexBytes() + 2, text.size(), text);
        return e;
    }
    // Entries of red, green, blue; the rest stay black.
    static std::string ColorTable(const std::vector<std::vector<uint8_t>>& entries) {
        std::string e = Element(5, 1, 38 + 768);
        for (size_t i = 0; i < entries.size(); ++i)
            for (size_t c = 0; c < 3; ++c) e[38 + 3 * i + c] = char(entries[i][c]);
        return e;
    }

    DgnBuild& Add(const std::string& element) {
        bytes_ += element;
        return *this;
    }
    std::string Bytes(bool endMarker = true) const { return endMarker ? bytes_ + "\xFF\xFF" : bytes_; }

private:
    bool threeD_;
    std::string bytes_;
};
