// Marker and line symbols named by text: a font character ("Arial:A"), a picture file or a CGM metafile.
// One process-wide cache loads each once; drawing prepares a symbol for a viewer, size, anchor, angle and
// two colours, then stamps it at device points.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Windows.h"

class TCanvas;
class TFont;
class TPicture;
class TGIS_Viewer;

// Colours both seen colours start with; a style colour equal to it leaves the symbol's own colour.
constexpr uint32_t GIS_SYMBOL_NO_COLOR = 0xFF00000Du;

// The nearest 32-bit integer, halves to even; beyond the range its nearer end, NaN 0. Symbol geometry comes
// from files and must not overflow.
inline int32_t GisRoundToInt(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    if (v > 2147483647.0) return INT32_MAX;
    // Adding and taking away 1.5 x 2^52 rounds in the current (half-even) mode without a library call.
    constexpr double magic = 6755399441055744.0;
    return static_cast<int32_t>((v + magic) - magic);
}

class TGIS_SymbolAbstract {
public:
    explicit TGIS_SymbolAbstract(const std::string& name);
    virtual ~TGIS_SymbolAbstract();
    TGIS_SymbolAbstract(const TGIS_SymbolAbstract&) = delete;
    TGIS_SymbolAbstract& operator=(const TGIS_SymbolAbstract&) = delete;

    // The larger of Width and Height.
    virtual int GetSize() const;
    virtual int GetWidth() const { return NaturalWidth(); }
    virtual int GetHeight() const { return NaturalHeight(); }
    virtual int NaturalWidth() const = 0;
    virtual int NaturalHeight() const = 0;
    // Anchor of the reference point: 0..8 read as the keypad from the upper left; others change nothing.
    virtual void SetPosition(uint8_t position);
    // Radians; the anchor turns with the symbol.
    virtual void SetAngle(double angle);
    // Size and gap in twips (negative: pixels); size 0 draws at 280 pixels, unscaled.
    virtual void Prepare(TGIS_Viewer* viewer, int size, uint8_t position, int gap, double angle, uint32_t color2,
                         uint32_t color1);
    virtual void Unprepare();
    virtual void EndDraw() {}
    virtual void Draw(int x, int y) = 0;

    // The first colour drawn becomes Color1 and the second Color2; others stay.
    uint32_t MapColor(uint32_t c);
    int ScaleLength(double v) const { return GisRoundToInt(v * Scale); }
    TPoint RotatePoint(double x, double y) const {
        return TPoint(ScaleLength(x * RotCos - y * RotSin), ScaleLength(x * RotSin + y * RotCos));
    }

    std::string Name;
    int32_t Width = 0, Height = 0;
    double RotSin = 0, RotCos = 1;
    TGIS_Viewer* Viewer = nullptr;
    TCanvas* Canvas = nullptr;
    int32_t PixelsPerInch = 96;
    double NaturalSize = 1.0;
    double SizePx = 0, Scale = 1.0;
    uint32_t Color1 = 0, Color2 = 0;
    double Angle = 0;
    int32_t Gap = 0;
    uint8_t Position = 0;
    int32_t AnchorX = 0, AnchorY = 0;
    uint32_t SeenColor1 = GIS_SYMBOL_NO_COLOR, SeenColor2 = GIS_SYMBOL_NO_COLOR;
};

// "family:character[:style words]"; the character is one letter or a decimal code 0..255 (Latin-1).
class TGIS_SymbolFont : public TGIS_SymbolAbstract {
public:
    // EConvertError for a character part that is neither.
    explicit TGIS_SymbolFont(const std::string& name);
    ~TGIS_SymbolFont() override;
    int NaturalWidth() const override;
    int NaturalHeight() const override;
    void SetAngle(double angle) override;
    void Draw(int x, int y) override;

    std::unique_ptr<TFont> Font;
    uint8_t Character = 0;

private:
    std::string text_;  // the character as the canvas takes text
};

// "file[?transparent]": BMP, PNG or JPEG, stretched to the size and never rotated.
class TGIS_SymbolPicture : public TGIS_SymbolAbstract {
public:
    // The file's error when it cannot be read; EGIS_Exception (corrupt) for a picture that does not decode, has
    // no pixels or more than a symbol can use.
    explicit TGIS_SymbolPicture(const std::string& name);
    ~TGIS_SymbolPicture() override;
    int NaturalWidth() const override;
    int NaturalHeight() const override;
    void Draw(int x, int y) override;

    std::unique_ptr<TPicture> Picture;
};

// A marker of a Computer Graphics Metafile, binary or clear text, replayed from drawing records.
class TGIS_SymbolCgm : public TGIS_SymbolAbstract {
public:
    // Record kinds.
    enum : uint32_t { rkEnd = 0, rkPolyline = 1, rkArea = 2 };
    // Header of a drawing record; its points follow as X, Y pairs of 32-bit integers, Y pointing down.
#pragma pack(push, 1)
    struct TRecord {
        uint32_t Kind;
        uint32_t BrushColor;
        uint8_t BrushStyle;  // 0 solid, 1 clear
        uint32_t PenColor;
        int32_t PenWidth;  // VDC units
        uint8_t PenStyle;  // 0 solid, 5 clear
        uint32_t Count;
    };
#pragma pack(pop)
    static_assert(sizeof(TRecord) == 22);

    // EFOpenError for a file that cannot be read; EConvertError for a text that does not open with BEGMF;
    // EGIS_Exception 0034 for a metafile this reader cannot draw.
    explicit TGIS_SymbolCgm(const std::string& name);
    ~TGIS_SymbolCgm() override;
    int NaturalWidth() const override;
    int NaturalHeight() const override;
    int GetWidth() const override;
    int GetHeight() const override;
    void SetPosition(uint8_t position) override;
    // Frees the records; the next Draw reads the file again.
    void EndDraw() override;
    void Draw(int x, int y) override;

    // Reads the metafile from Path, or from its content in memory (`path` naming it in errors).
    void Load();
    void LoadFromBytes(const std::string& bytes, const std::string& path);

    // The file, as a full path.
    std::string Path;
    bool Binary = false;
    double ScaleFactor = 1.0;
    int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // the VDC extent
    // The records as a stream, ending with an all-zero header; empty after EndDraw.
    std::vector<uint8_t> Records;
};

// Name -> symbol, loaded once and shared; the list owns its symbols.
class TGIS_SymbolList {
public:
    TGIS_SymbolList();
    ~TGIS_SymbolList();
    TGIS_SymbolList(const TGIS_SymbolList&) = delete;
    TGIS_SymbolList& operator=(const TGIS_SymbolList&) = delete;

    // The symbol of that name, created on first use; nullptr for an empty name. A symbol that does not
    // load raises and is not kept.
    TGIS_SymbolAbstract* Prepare(const std::string& name);
    void Clear();
    int Count() const;
    // Font symbols by family (any case), character as written and style words (any case); files by full path.
    static std::string KeyOf(const std::string& name);

    // Placement points of symbol lines, reused from call to call.
    std::vector<TPoint> LineBuffer;

private:
    struct Items;
    std::unique_ptr<Items> items_;
};

// The list of the process: made before the program's first window, freed at exit.
TGIS_SymbolList& GisSymbolList();


// Stamps the prepared symbol along a polyline of device points, every step of its size plus its gap,
// turned along each piece; the points are read, not changed.
void GisDrawSymbolLine(TGIS_SymbolAbstract& symbol, const TPoint* points, int count);
// Where the walk from a to b leaves the circle of radius r around c, in whole pixels; false when it does not.
bool GisSymbolLineIntersect(const TPoint& c, int r, const TPoint& a, const TPoint& b, TPoint& at);
