#include "gis/layers/GisParams.h"

#include <algorithm>
#include <functional>

#include "gis/core/GisDefs.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisSqlQuery.h"
#include "gis/layers/GisBitmap.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/Classes.h"

// ---- keys: one list per class serves reading and writing ----

enum class TGIS_ByteKey { Pattern, PenStyle, MarkerStyle, ChartStyle, Alignment, FontStyle };

class TGIS_ParamsKeys {
public:
    explicit TGIS_ParamsKeys(TGIS_Ini& ini) : ini_(ini) {}
    virtual ~TGIS_ParamsKeys() = default;
    template <class T>
    using Set = std::function<void(T)>;
    virtual void Boolean(const std::string& key, bool cur, const Set<bool>& set) = 0;
    // Sizes and plain integers alike (RENDER reads as the render size).
    virtual void Integer(const std::string& key, int32_t cur, const Set<int32_t>& set) = 0;
    virtual void Float(const std::string& key, double cur, const Set<double>& set) = 0;
    virtual void String(const std::string& key, const std::string& cur, const Set<const std::string&>& set) = 0;
    virtual void Color(const std::string& key, uint32_t cur, const Set<uint32_t>& set) = 0;
    virtual void Byte(TGIS_ByteKey kind, const std::string& key, uint8_t cur, const Set<uint8_t>& set) = 0;
    virtual void Position(const std::string& key, uint16_t cur, const Set<uint16_t>& set) = 0;
    virtual void Symbol(const std::string& key, TGIS_SymbolAbstract* cur, const Set<TGIS_SymbolAbstract*>& set) = 0;
    // A line does not write its bitmaps.
    virtual void Bitmap(const std::string& key, const TGIS_Bitmap* cur, const Set<const TGIS_Bitmap*>& set,
                        bool written) = 0;

protected:
    TGIS_Ini& ini_;
};

namespace {

class KeyReader final : public TGIS_ParamsKeys {
public:
    using TGIS_ParamsKeys::TGIS_ParamsKeys;
    void Boolean(const std::string& k, bool cur, const Set<bool>& set) override { set(ini_.ReadBoolean(k, cur)); }
    void Integer(const std::string& k, int32_t cur, const Set<int32_t>& set) override {
        set(ini_.ReadInteger(k, cur));
    }
    void Float(const std::string& k, double cur, const Set<double>& set) override { set(ini_.ReadFloat(k, cur)); }
    void String(const std::string& k, const std::string& cur, const Set<const std::string&>& set) override {
        set(ini_.ReadString(k, cur));
    }
    void Color(const std::string& k, uint32_t cur, const Set<uint32_t>& set) override { set(ini_.ReadColor(k, cur)); }
    void Byte(TGIS_ByteKey kind, const std::string& k, uint8_t cur, const Set<uint8_t>& set) override {
        switch (kind) {
        case TGIS_ByteKey::Pattern: set(ini_.ReadBrushStyle(k, cur)); break;
        case TGIS_ByteKey::PenStyle: set(ini_.ReadPenStyle(k, cur)); break;
        case TGIS_ByteKey::MarkerStyle: set(ini_.ReadMarkerStyle(k, cur)); break;
        case TGIS_ByteKey::ChartStyle: set(ini_.ReadChartStyle(k, cur)); break;
        case TGIS_ByteKey::Alignment: set(ini_.ReadLabelAlignment(k, cur)); break;
        case TGIS_ByteKey::FontStyle: set(ini_.ReadFontStyle(k, cur)); break;
        }
    }
    void Position(const std::string& k, uint16_t cur, const Set<uint16_t>& set) override {
        set(ini_.ReadLabelPosition(k, cur));
    }
    void Symbol(const std::string& k, TGIS_SymbolAbstract* cur, const Set<TGIS_SymbolAbstract*>& set) override {
        set(ini_.ReadSymbol(k, cur));
    }
    void Bitmap(const std::string& k, const TGIS_Bitmap* cur, const Set<const TGIS_Bitmap*>& set, bool) override {
        // The setter keeps its own copy of what was read.
        std::unique_ptr<TGIS_Bitmap> read(ini_.ReadBitmap(k, cur));
        set(read.get());
    }
};

class KeyWriter final : public TGIS_ParamsKeys {
public:
    using TGIS_ParamsKeys::TGIS_ParamsKeys;
    void Boolean(const std::string& k, bool cur, const Set<bool>&) override { ini_.WriteBoolean(k, cur); }
    void Integer(const std::string& k, int32_t cur, const Set<int32_t>&) override { ini_.WriteInteger(k, cur); }
    void Float(const std::string& k, double cur, const Set<double>&) override { ini_.WriteFloat(k, cur); }
    void String(const std::string& k, const std::string& cur, const Set<const std::string&>&) override {
        ini_.WriteString(k, cur);
    }
    void Color(const std::string& k, uint32_t cur, const Set<uint32_t>&) override { ini_.WriteColor(k, cur); }
    void Byte(TGIS_ByteKey kind, const std::string& k, uint8_t cur, const Set<uint8_t>&) override {
        switch (kind) {
        case TGIS_ByteKey::Pattern: ini_.WriteBrushStyle(k, cur); break;
        case TGIS_ByteKey::PenStyle: ini_.WritePenStyle(k, cur); break;
        case TGIS_ByteKey::MarkerStyle: ini_.WriteMarkerStyle(k, cur); break;
        case TGIS_ByteKey::ChartStyle: ini_.WriteChartStyle(k, cur); break;
        case TGIS_ByteKey::Alignment: ini_.WriteLabelAlignment(k, cur); break;
        case TGIS_ByteKey::FontStyle: ini_.WriteFontStyle(k, cur); break;
        }
    }
    void Position(const std::string& k, uint16_t cur, const Set<uint16_t>&) override {
        ini_.WriteLabelPosition(k, cur);
    }
    void Symbol(const std::string& k, TGIS_SymbolAbstract* cur, const Set<TGIS_SymbolAbstract*>&) override {
        ini_.WriteSymbol(k, cur);
    }
    void Bitmap(const std::string& k, const TGIS_Bitmap* cur, const Set<const TGIS_Bitmap*>&, bool written) override {
        if (written) ini_.WriteBitmap(k, cur);
    }
};

constexpr char kIniHeader[] = "[Kelvoran Layer]";

// Pieces of a ':'-joined list: every piece followed by ':', and the last one unless it is empty.
std::vector<std::string> SplitPieces(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
        pieces.push_back(text.substr(start, colon - start));
    if (start < text.size()) pieces.push_back(text.substr(start));
    return pieces;
}

// Null when the text is empty; a query that does not compile raises.
std::unique_ptr<TGIS_SqlQuery> MakeQuery(const std::string& text) {
    if (text.empty()) return nullptr;
    auto q = std::make_unique<TGIS_SqlQuery>();
    q->Prepare(text);
    return q;
}

std::string QueryTextOf(const TGIS_SqlQuery* q) { return q ? q->Text() : std::string(); }

// Owned copy of a bitmap, or none.
std::unique_ptr<TGIS_Bitmap> CopyBitmap(const TGIS_Bitmap* b) {
    if (!b) return nullptr;
    auto copy = std::make_unique<TGIS_Bitmap>();
    copy->Assign(*b);
    return copy;
}

uint64_t IdentityOf(const TBitmap* b) { return b ? b->Identity() : 0; }

// ---- the last brush and the last pen made, one of each for the whole program ----

LOGBRUSH BrushOf(const TGIS_Bitmap* bitmap, uint8_t pattern, uint32_t color) {
    LOGBRUSH lb;
    lb.lbColor = static_cast<TColor>(color);
    if (bitmap) {
        lb.lbStyle = BS_PATTERN;
        lb.lbHatch = reinterpret_cast<intptr_t>(static_cast<const TBitmap*>(bitmap));
    } else if (pattern == gisBsSolid) {
        lb.lbStyle = BS_SOLID;
    } else if (pattern == gisBsClear) {
        lb.lbStyle = BS_HOLLOW;
    } else {
        lb.lbStyle = BS_HATCHED;
        lb.lbHatch = std::min<int>(pattern - gisBsHorizontal, HS_DIAGCROSS);
    }
    return lb;
}

// A brush description with its bitmap by identity: a bitmap made where a freed one stood must not match.
struct BrushKey {
    UINT style = 0;
    TColor color = 0;
    intptr_t hatch = 0;
    uint64_t bitmap = 0;
    bool operator==(const BrushKey&) const = default;
};
BrushKey KeyOf(const LOGBRUSH& lb) {
    if (lb.lbStyle != BS_PATTERN) return {lb.lbStyle, lb.lbColor, lb.lbHatch, 0};
    return {lb.lbStyle, lb.lbColor, 0, IdentityOf(reinterpret_cast<const TBitmap*>(lb.lbHatch))};
}

// A canvas pen or brush as the one made last left it: a change since, or another object, shows in the pair.
struct CanvasState {
    const TGraphicsObject* object = nullptr;
    uint64_t revision = 0;
    bool Holds(const TGraphicsObject& o) const { return object == &o && revision == o.Revision(); }
};
CanvasState StateOf(const TGraphicsObject& o) { return {&o, o.Revision()}; }

struct LastBrushRecord {
    std::unique_ptr<TBrushData> handle;
    BrushKey made;
    CanvasState canvas;
};
struct LastPenRecord {
    std::unique_ptr<TPenData> handle;
    DWORD style = 0;
    int width = 0;
    BrushKey brush;
    CanvasState canvas;
};
LastBrushRecord& LastBrushMade() {
    static LastBrushRecord r;
    return r;
}
LastPenRecord& LastPenMade() {
    static LastPenRecord r;
    return r;
}

void PrepareBrushOf(TGIS_Viewer& viewer, const TGIS_Bitmap* bitmap, uint8_t pattern, uint32_t color) {
    TCanvas* canvas = viewer.GetCanvas();
    if (!canvas) return;
    const LOGBRUSH lb = BrushOf(bitmap, pattern, color);
    LastBrushRecord& last = LastBrushMade();
    if (last.handle && last.made == KeyOf(lb) && last.canvas.Holds(*canvas->Brush())) return;
    std::unique_ptr<TBrushData> made(CreateBrushIndirect(lb));
    canvas->Brush()->SetHandle(made.get());
    last.made = KeyOf(lb);
    last.canvas = StateOf(*canvas->Brush());
    last.handle = std::move(made);  // the one made before goes only now, so the two never share an address
}

DWORD PenStyleBits(uint8_t style) {
    switch (style) {
    case gisPsDash: return PS_DASH;
    case gisPsDot: return PS_DOT;
    case gisPsDashDot: return PS_DASHDOT;
    case gisPsDashDotDot: return PS_DASHDOTDOT;
    case gisPsClear: return PS_NULL;
    default: return PS_SOLID;
    }
}

// Widths of pixels added up without overflow.
int AddWidths(int64_t a, int64_t b) { return static_cast<int>(std::min<int64_t>(a + b, INT32_MAX)); }

}  // namespace

// ---- TGIS_ParamsAbstract ----

TGIS_ParamsAbstract::~TGIS_ParamsAbstract() = default;

void TGIS_ParamsAbstract::Assign(const TGIS_ParamsAbstract& source) {
    changeCount_ = source.changeCount_;
    wasAssigned_ = true;
    IncChangeCount();
}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsAbstract::Clone() const {
    auto copy = NewInstance();
    copy->Assign(*this);
    return copy;
}

void TGIS_ParamsAbstract::IncChangeCount() {
    changeCount_ = static_cast<int32_t>(static_cast<uint32_t>(changeCount_) + 1u);
}

void TGIS_ParamsAbstract::LoadFromStrings(TStringList& lines) {
    TGIS_Ini ini(nullptr, "");
    lines.Insert(0, kIniHeader);
    try {
        ini.SetStrings(lines);
    } catch (...) {
        lines.Delete(0);
        throw;
    }
    lines.Delete(0);
    LoadFromConfig(ini);
}

void TGIS_ParamsAbstract::SaveToStrings(TStringList& lines) {
    TGIS_Ini ini(nullptr, "");
    SaveToConfig(ini);
    ini.GetStrings(lines);
    if (lines.Count() > 0 && lines[0] == kIniHeader) lines.Delete(0);
}

// ---- TGIS_ParamsVector ----

TGIS_ParamsVector* TGIS_ParamsVector::WritableInstance() {
    if (!section_ || !section_->Shape()) return this;
    TGIS_ParamsShape* shape = section_->Shape();
    TGIS_ParamsSectionVector* own = shape->OwnParams();
    if (!own) {
        auto made = std::make_unique<TGIS_ParamsSectionVector>();
        made->SetShape(shape);
        made->Assign(*section_);
        own = made.get();
        shape->SetOwnParams(std::move(made));
    }
    if (TGIS_ParamsVector* p = own->Find(Kind())) return p;
    // A shape's section does not copy the render parameters: the write goes to a copy kept there.
    std::unique_ptr<TGIS_ParamsVector> copy(static_cast<TGIS_ParamsVector*>(Clone().release()));
    return &own->Store(std::move(copy));
}

void TGIS_ParamsVector::LoadFromConfig(TGIS_Ini& ini) {
    KeyReader keys(ini);
    Keys(keys);
}

void TGIS_ParamsVector::SaveToConfig(TGIS_Ini& ini) {
    KeyWriter keys(ini);
    Keys(keys);
}

// ---- TGIS_ParamsFeature ----

TGIS_ParamsFeature::TGIS_ParamsFeature(uint32_t color, int32_t outlineWidth, uint32_t outlineColor)
    : color_(GisNonZeroColor(color)), outlineWidth_(outlineWidth), outlineColor_(GisNonZeroColor(outlineColor)) {}

TGIS_ParamsFeature::~TGIS_ParamsFeature() = default;

void TGIS_ParamsFeature::Assign(const TGIS_ParamsAbstract& source) {
    if (&source == this) return;
    if (auto* s = dynamic_cast<const TGIS_ParamsFeature*>(&source)) {
        showLegend_ = s->showLegend_;
        smartSize_ = s->smartSize_;
        smartSizeField_ = s->smartSizeField_;
        color_ = s->color_;
        bitmap_ = CopyBitmap(s->bitmap_.get());
        pattern_ = s->pattern_;
        outlineStyle_ = s->outlineStyle_;
        outlineWidth_ = s->outlineWidth_;
        outlineColor_ = s->outlineColor_;
        outlineBitmap_ = CopyBitmap(s->outlineBitmap_.get());
        outlinePattern_ = s->outlinePattern_;
    }
    TGIS_ParamsVector::Assign(source);
}

void TGIS_ParamsFeature::SetShowLegend(bool v) { Writable<TGIS_ParamsFeature>()->showLegend_ = v; }
void TGIS_ParamsFeature::SetSmartSize(int32_t v) { Writable<TGIS_ParamsFeature>()->smartSize_ = v; }
void TGIS_ParamsFeature::SetSmartSizeField(const std::string& v) {
    Writable<TGIS_ParamsFeature>()->smartSizeField_ = v;
}
void TGIS_ParamsFeature::SetColor(uint32_t v) { Writable<TGIS_ParamsFeature>()->color_ = GisNonZeroColor(v); }
void TGIS_ParamsFeature::SetPattern(uint8_t v) { Writable<TGIS_ParamsFeature>()->pattern_ = v; }
void TGIS_ParamsFeature::SetOutlineStyle(uint8_t v) { Writable<TGIS_ParamsFeature>()->outlineStyle_ = v; }
void TGIS_ParamsFeature::SetOutlineWidth(int32_t v) { Writable<TGIS_ParamsFeature>()->outlineWidth_ = v; }
void TGIS_ParamsFeature::SetOutlineColor(uint32_t v) {
    Writable<TGIS_ParamsFeature>()->outlineColor_ = GisNonZeroColor(v);
}
void TGIS_ParamsFeature::SetOutlinePattern(uint8_t v) { Writable<TGIS_ParamsFeature>()->outlinePattern_ = v; }

void TGIS_ParamsFeature::SetBitmap(const TGIS_Bitmap* v) {
    auto* t = static_cast<TGIS_ParamsFeature*>(WritableInstance());
    if (v == t->bitmap_.get()) return;
    t->IncChangeCount();
    t->bitmap_ = CopyBitmap(v);
}

void TGIS_ParamsFeature::SetOutlineBitmap(const TGIS_Bitmap* v) {
    auto* t = static_cast<TGIS_ParamsFeature*>(WritableInstance());
    if (v == t->outlineBitmap_.get()) return;
    t->IncChangeCount();
    t->outlineBitmap_ = CopyBitmap(v);
}

void TGIS_ParamsFeature::FillKeys(TGIS_ParamsKeys& k, const std::string& p, bool writeBitmap) {
    k.Color(p + "Color", color_, [this](uint32_t v) { SetColor(v); });
    k.Bitmap(p + "Bitmap", bitmap_.get(), [this](const TGIS_Bitmap* v) { SetBitmap(v); }, writeBitmap);
    k.Byte(TGIS_ByteKey::Pattern, p + "Pattern", pattern_, [this](uint8_t v) { SetPattern(v); });
}

void TGIS_ParamsFeature::OutlineKeys(TGIS_ParamsKeys& k, const std::string& p, bool writeBitmap) {
    k.Byte(TGIS_ByteKey::PenStyle, p + "OutlineStyle", outlineStyle_, [this](uint8_t v) { SetOutlineStyle(v); });
    k.Integer(p + "OutlineWidth", outlineWidth_, [this](int32_t v) { SetOutlineWidth(v); });
    k.Color(p + "OutlineColor", outlineColor_, [this](uint32_t v) { SetOutlineColor(v); });
    k.Bitmap(p + "OutlineBitmap", outlineBitmap_.get(), [this](const TGIS_Bitmap* v) { SetOutlineBitmap(v); },
             writeBitmap);
    k.Byte(TGIS_ByteKey::Pattern, p + "OutlinePattern", outlinePattern_, [this](uint8_t v) { SetOutlinePattern(v); });
}

void TGIS_ParamsFeature::ClosingKeys(TGIS_ParamsKeys& k, const std::string& p) {
    k.Integer(p + "SmartSize", smartSize_, [this](int32_t v) { SetSmartSize(v); });
    k.String(p + "SmartSizeField", smartSizeField_, [this](const std::string& v) { SetSmartSizeField(v); });
    k.Boolean(p + "ShowLegend", showLegend_, [this](bool v) { SetShowLegend(v); });
}

void TGIS_ParamsFeature::PrepareBrush(TGIS_Viewer& viewer) {
    QM_ASSERT(color_ != 0, "GisParams: colour 0");
    PrepareBrushOf(viewer, bitmap_.get(), pattern_, color_);
}

void TGIS_ParamsFeature::PrepareOutlinePen(TGIS_Viewer& viewer) {
    QM_ASSERT(outlineColor_ != 0, "GisParams: colour 0");
    PreparePenOf(viewer, outlineStyle_, viewer.TwipsToPixels(outlineWidth_), PS_ENDCAP_FLAT, outlineBitmap_.get(),
                 outlinePattern_, outlineColor_);
}

void TGIS_ParamsFeature::PreparePenOf(TGIS_Viewer& viewer, uint8_t style, int width, DWORD endCap,
                                      const TGIS_Bitmap* bitmap, uint8_t pattern, uint32_t color) {
    TCanvas* canvas = viewer.GetCanvas();
    if (!canvas) return;
    DWORD bits = width == 0 ? PS_NULL : PenStyleBits(style);
    if (width != 1) bits |= PS_GEOMETRIC;
    bits |= endCap | PS_JOIN_BEVEL;
    const LOGBRUSH lb = BrushOf(bitmap, pattern, color);
    LastPenRecord& last = LastPenMade();
    if (last.handle && last.style == bits && last.width == width && last.brush == KeyOf(lb) &&
        last.canvas.Holds(*canvas->Pen()))
        return;
    std::unique_ptr<TPenData> made(ExtCreatePen(bits, static_cast<DWORD>(width), lb, 0, nullptr));
    canvas->Pen()->SetHandle(made.get());
    last.style = bits;
    last.width = width;
    last.brush = KeyOf(lb);
    last.canvas = StateOf(*canvas->Pen());
    last.handle = std::move(made);
}

HBRUSH TGIS_ParamsFeature::LastBrush() { return LastBrushMade().handle.get(); }
HPEN TGIS_ParamsFeature::LastPen() { return LastPenMade().handle.get(); }

// ---- TGIS_ParamsLine ----

TGIS_ParamsLine::TGIS_ParamsLine() : TGIS_ParamsFeature(0x010101, 0, 0x010101) {}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsLine::NewInstance() const {
    return std::make_unique<TGIS_ParamsLine>();
}

void TGIS_ParamsLine::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsLine*>(&source)) {
        style_ = s->style_;
        width_ = s->width_;
        symbol_ = s->symbol_;
        symbolGap_ = s->symbolGap_;
        symbolRotate_ = s->symbolRotate_;
    }
    TGIS_ParamsFeature::Assign(source);
}

void TGIS_ParamsLine::SetStyle(uint8_t v) { Writable<TGIS_ParamsLine>()->style_ = v; }
void TGIS_ParamsLine::SetWidth(int32_t v) { Writable<TGIS_ParamsLine>()->width_ = v; }
void TGIS_ParamsLine::SetSymbol(TGIS_SymbolAbstract* v) { Writable<TGIS_ParamsLine>()->symbol_ = v; }
void TGIS_ParamsLine::SetSymbolGap(int32_t v) { Writable<TGIS_ParamsLine>()->symbolGap_ = v; }
void TGIS_ParamsLine::SetSymbolRotate(double v) { Writable<TGIS_ParamsLine>()->symbolRotate_ = v; }

void TGIS_ParamsLine::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Line.";
    k.Byte(TGIS_ByteKey::PenStyle, p + "Style", style_, [this](uint8_t v) { SetStyle(v); });
    k.Integer(p + "Width", width_, [this](int32_t v) { SetWidth(v); });
    FillKeys(k, p, false);
    k.Symbol(p + "Symbol", symbol_, [this](TGIS_SymbolAbstract* v) { SetSymbol(v); });
    k.Integer(p + "SymbolGap", symbolGap_, [this](int32_t v) { SetSymbolGap(v); });
    k.Float(p + "SymbolRotate", symbolRotate_, [this](double v) { SetSymbolRotate(v); });
    OutlineKeys(k, p, false);
    ClosingKeys(k, p);
}

void TGIS_ParamsLine::PreparePen(TGIS_Viewer& viewer) {
    QM_ASSERT(Color() != 0, "GisParams: colour 0");
    // An outline in pixels (a negative size) is an outline as much as one in twips.
    const DWORD ends = viewer.TwipsToPixels(OutlineWidth()) > 0 ? PS_ENDCAP_SQUARE : PS_ENDCAP_FLAT;
    PreparePenOf(viewer, style_, viewer.TwipsToPixels(width_), ends, Bitmap(), Pattern(), Color());
}

void TGIS_ParamsLine::PrepareOutlinePen(TGIS_Viewer& viewer) {
    QM_ASSERT(OutlineColor() != 0, "GisParams: colour 0");
    const int w = AddWidths(viewer.TwipsToPixels(width_), 2 * int64_t(viewer.TwipsToPixels(OutlineWidth())));
    PreparePenOf(viewer, OutlineStyle(), w, PS_ENDCAP_FLAT, OutlineBitmap(), OutlinePattern(), OutlineColor());
}

// ---- TGIS_ParamsArea ----

TGIS_ParamsArea::TGIS_ParamsArea() : TGIS_ParamsFeature(0x808080, 1, 0xFFFFFF) {}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsArea::NewInstance() const {
    return std::make_unique<TGIS_ParamsArea>();
}

void TGIS_ParamsArea::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsArea*>(&source)) {
        symbol_ = s->symbol_;
        symbolSize_ = s->symbolSize_;
        symbolGap_ = s->symbolGap_;
        symbolRotate_ = s->symbolRotate_;
        outlineSymbol_ = s->outlineSymbol_;
        outlineGap_ = s->outlineGap_;
        outlineRotate_ = s->outlineRotate_;
    }
    TGIS_ParamsFeature::Assign(source);
}

void TGIS_ParamsArea::SetSymbol(TGIS_SymbolAbstract* v) { Writable<TGIS_ParamsArea>()->symbol_ = v; }
void TGIS_ParamsArea::SetSymbolSize(int32_t v) { Writable<TGIS_ParamsArea>()->symbolSize_ = v; }
void TGIS_ParamsArea::SetSymbolGap(int32_t v) { Writable<TGIS_ParamsArea>()->symbolGap_ = v; }
void TGIS_ParamsArea::SetSymbolRotate(double v) { Writable<TGIS_ParamsArea>()->symbolRotate_ = v; }
void TGIS_ParamsArea::SetOutlineSymbol(TGIS_SymbolAbstract* v) { Writable<TGIS_ParamsArea>()->outlineSymbol_ = v; }
void TGIS_ParamsArea::SetOutlineGap(int32_t v) { Writable<TGIS_ParamsArea>()->outlineGap_ = v; }
void TGIS_ParamsArea::SetOutlineRotate(double v) { Writable<TGIS_ParamsArea>()->outlineRotate_ = v; }

void TGIS_ParamsArea::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Area.";
    FillKeys(k, p, true);
    k.Symbol(p + "Symbol", symbol_, [this](TGIS_SymbolAbstract* v) { SetSymbol(v); });
    k.Integer(p + "SymbolSize", symbolSize_, [this](int32_t v) { SetSymbolSize(v); });
    k.Integer(p + "SymbolGap", symbolGap_, [this](int32_t v) { SetSymbolGap(v); });
    k.Float(p + "SymbolRotate", symbolRotate_, [this](double v) { SetSymbolRotate(v); });
    OutlineKeys(k, p, true);
    k.Symbol(p + "OutlineSymbol", outlineSymbol_, [this](TGIS_SymbolAbstract* v) { SetOutlineSymbol(v); });
    k.Integer(p + "OutlineGap", outlineGap_, [this](int32_t v) { SetOutlineGap(v); });
    k.Float(p + "OutlineRotate", outlineRotate_, [this](double v) { SetOutlineRotate(v); });
    ClosingKeys(k, p);
}

// ---- TGIS_ParamsMarker ----

TGIS_ParamsMarker::TGIS_ParamsMarker() : TGIS_ParamsFeature(0x0000FF, 0, 0x010101) {}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsMarker::NewInstance() const {
    return std::make_unique<TGIS_ParamsMarker>();
}

void TGIS_ParamsMarker::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsMarker*>(&source)) {
        style_ = s->style_;
        size_ = s->size_;
        symbol_ = s->symbol_;
        symbolRotate_ = s->symbolRotate_;
    }
    TGIS_ParamsFeature::Assign(source);
}

void TGIS_ParamsMarker::SetStyle(uint8_t v) { Writable<TGIS_ParamsMarker>()->style_ = v; }
void TGIS_ParamsMarker::SetSize(int32_t v) { Writable<TGIS_ParamsMarker>()->size_ = v; }
void TGIS_ParamsMarker::SetSymbol(TGIS_SymbolAbstract* v) { Writable<TGIS_ParamsMarker>()->symbol_ = v; }
void TGIS_ParamsMarker::SetSymbolRotate(double v) { Writable<TGIS_ParamsMarker>()->symbolRotate_ = v; }

void TGIS_ParamsMarker::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Marker.";
    k.Byte(TGIS_ByteKey::MarkerStyle, p + "Style", style_, [this](uint8_t v) { SetStyle(v); });
    k.Integer(p + "Size", size_, [this](int32_t v) { SetSize(v); });
    FillKeys(k, p, true);
    k.Symbol(p + "Symbol", symbol_, [this](TGIS_SymbolAbstract* v) { SetSymbol(v); });
    k.Float(p + "SymbolRotate", symbolRotate_, [this](double v) { SetSymbolRotate(v); });
    OutlineKeys(k, p, true);
    ClosingKeys(k, p);
}

// ---- TGIS_ParamsLabel ----

TGIS_ParamsLabel::TGIS_ParamsLabel() : TGIS_ParamsFeature(0x00FFFF, 1, 0x010101), font_(std::make_unique<TFont>()) {
    font_->SetName("Arial");
    font_->SetSize(8);
    font_->SetStyle(0);
    font_->SetColor(0x010101);
}

TGIS_ParamsLabel::~TGIS_ParamsLabel() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsLabel::NewInstance() const {
    return std::make_unique<TGIS_ParamsLabel>();
}

void TGIS_ParamsLabel::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsLabel*>(&source); s && s != this) {
        allocator_ = s->allocator_;
        field_ = s->field_;
        value_ = s->value_;
        font_->Assign(*s->font_);
        width_ = s->width_;
        height_ = s->height_;
        position_ = s->position_;
        alignment_ = s->alignment_;
    }
    TGIS_ParamsFeature::Assign(source);
}

void TGIS_ParamsLabel::SetAllocator(bool v) { Writable<TGIS_ParamsLabel>()->allocator_ = v; }
void TGIS_ParamsLabel::SetField(const std::string& v) { Writable<TGIS_ParamsLabel>()->field_ = v; }
void TGIS_ParamsLabel::SetValue(const std::string& v) { Writable<TGIS_ParamsLabel>()->value_ = v; }
void TGIS_ParamsLabel::SetWidth(int32_t v) { Writable<TGIS_ParamsLabel>()->width_ = v; }
void TGIS_ParamsLabel::SetHeight(int32_t v) { Writable<TGIS_ParamsLabel>()->height_ = v; }
void TGIS_ParamsLabel::SetPosition(uint16_t v) { Writable<TGIS_ParamsLabel>()->position_ = v; }
void TGIS_ParamsLabel::SetAlignment(uint8_t v) { Writable<TGIS_ParamsLabel>()->alignment_ = v; }

void TGIS_ParamsLabel::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Label.";
    k.Boolean(p + "Allocator", allocator_, [this](bool v) { SetAllocator(v); });
    k.String(p + "Field", field_, [this](const std::string& v) { SetField(v); });
    k.String(p + "Value", value_, [this](const std::string& v) { SetValue(v); });
    k.String(p + "Font.Name", font_->Name(), [this](const std::string& v) { font_->SetName(v); });
    // A size no font can have would overflow the font's pixel height.
    k.Integer(p + "Font.Size", font_->Size(),
              [this](int32_t v) { font_->SetSize(std::clamp<int32_t>(v, -0xFFFF, 0xFFFF)); });
    k.Byte(TGIS_ByteKey::FontStyle, p + "Font.Style", font_->Style(), [this](uint8_t v) { font_->SetStyle(v); });
    k.Color(p + "Font.Color", static_cast<uint32_t>(font_->Color()),
            [this](uint32_t v) { font_->SetColor(static_cast<TColor>(v)); });
    k.Integer(p + "Width", width_, [this](int32_t v) { SetWidth(v); });
    k.Integer(p + "Height", height_, [this](int32_t v) { SetHeight(v); });
    k.Position(p + "Position", position_, [this](uint16_t v) { SetPosition(v); });
    k.Byte(TGIS_ByteKey::Alignment, p + "Alignment", alignment_, [this](uint8_t v) { SetAlignment(v); });
    FillKeys(k, p, true);
    OutlineKeys(k, p, true);
    ClosingKeys(k, p);
}

// ---- TGIS_ParamsChart ----

TGIS_ParamsChart::TGIS_ParamsChart() : TGIS_ParamsFeature(0x010101, 0, 0x010101) {}

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsChart::NewInstance() const {
    return std::make_unique<TGIS_ParamsChart>();
}

void TGIS_ParamsChart::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsChart*>(&source)) {
        style_ = s->style_;
        size_ = s->size_;
        values_ = s->values_;
        legend_ = s->legend_;
    }
    TGIS_ParamsFeature::Assign(source);
}

void TGIS_ParamsChart::SetStyle(uint8_t v) { Writable<TGIS_ParamsChart>()->style_ = v; }
void TGIS_ParamsChart::SetSize(int32_t v) { Writable<TGIS_ParamsChart>()->size_ = v; }
void TGIS_ParamsChart::SetLegend(const std::string& v) { Writable<TGIS_ParamsChart>()->legend_ = v; }

void TGIS_ParamsChart::SetValues(const std::string& text) {
    auto* t = Writable<TGIS_ParamsChart>();
    t->values_.clear();
    for (const std::string& piece : SplitPieces(text))
        t->values_.push_back(piece.empty() ? GIS_MAX_PARAMS_LIMIT : TextToFloat(piece, 0));
}

std::string TGIS_ParamsChart::ValuesText() const {
    std::string text;
    for (size_t i = 0; i < values_.size(); ++i) {
        if (i) text += ':';
        text += GisFloatToStr(values_[i]);
    }
    return text;
}

void TGIS_ParamsChart::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Chart.";
    k.Byte(TGIS_ByteKey::ChartStyle, p + "Style", style_, [this](uint8_t v) { SetStyle(v); });
    k.Integer(p + "Size", size_, [this](int32_t v) { SetSize(v); });
    k.String(p + "Values", ValuesText(), [this](const std::string& v) { SetValues(v); });
    k.String(p + "Legend", legend_, [this](const std::string& v) { SetLegend(v); });
    k.Boolean(p + "ShowLegend", ShowLegend(), [this](bool v) { SetShowLegend(v); });
}

// ---- TGIS_ParamsRender ----

TGIS_ParamsRender::TGIS_ParamsRender() = default;
TGIS_ParamsRender::~TGIS_ParamsRender() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsRender::NewInstance() const {
    return std::make_unique<TGIS_ParamsRender>();
}

void TGIS_ParamsRender::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsRender*>(&source); s && s != this) {
        expression_ = MakeQuery(s->ExpressionText());
        // Re-parsed like SetChart, without counting a change of its own.
        const std::string chart = s->chart_;
        SetChartOf(chart);
        minVal_ = s->minVal_;
        maxVal_ = s->maxVal_;
        zones_ = s->zones_;
        minValEx_ = s->minValEx_;
        maxValEx_ = s->maxValEx_;
        zonesEx_ = s->zonesEx_;
        sizeDefault_ = s->sizeDefault_;
        colorDefault_ = s->colorDefault_;
        startSize_ = s->startSize_;
        endSize_ = s->endSize_;
        startColor_ = s->startColor_;
        endColor_ = s->endColor_;
        startSizeEx_ = s->startSizeEx_;
        endSizeEx_ = s->endSizeEx_;
        startColorEx_ = s->startColorEx_;
        endColorEx_ = s->endColorEx_;
        round_ = s->round_;
    }
    TGIS_ParamsVector::Assign(source);
}

void TGIS_ParamsRender::SetExpression(const std::string& text) {
    auto* t = Writable<TGIS_ParamsRender>();
    t->expression_.reset();
    t->expression_ = MakeQuery(text);
}

std::string TGIS_ParamsRender::ExpressionText() const { return QueryTextOf(expression_.get()); }

void TGIS_ParamsRender::SetChart(const std::string& text) { Writable<TGIS_ParamsRender>()->SetChartOf(text); }

void TGIS_ParamsRender::SetChartOf(const std::string& text) {
    chartQueries_.clear();
    chart_.clear();
    std::vector<std::unique_ptr<TGIS_SqlQuery>> queries;
    for (const std::string& piece : SplitPieces(text)) {
        if (!piece.empty()) queries.push_back(MakeQuery(piece));
        else if (queries.size() < 2) queries.push_back(MakeQuery("0"));
        else queries.push_back(nullptr);
    }
    chartQueries_ = std::move(queries);
    chart_ = text;
}

void TGIS_ParamsRender::SetMinVal(double v) { Writable<TGIS_ParamsRender>()->minVal_ = v; }
void TGIS_ParamsRender::SetMaxVal(double v) { Writable<TGIS_ParamsRender>()->maxVal_ = v; }
void TGIS_ParamsRender::SetZones(int32_t v) { Writable<TGIS_ParamsRender>()->zones_ = v; }
void TGIS_ParamsRender::SetMinValEx(double v) { Writable<TGIS_ParamsRender>()->minValEx_ = v; }
void TGIS_ParamsRender::SetMaxValEx(double v) { Writable<TGIS_ParamsRender>()->maxValEx_ = v; }
void TGIS_ParamsRender::SetZonesEx(int32_t v) { Writable<TGIS_ParamsRender>()->zonesEx_ = v; }
void TGIS_ParamsRender::SetSizeDefault(int32_t v) { Writable<TGIS_ParamsRender>()->sizeDefault_ = v; }
void TGIS_ParamsRender::SetColorDefault(uint32_t v) { Writable<TGIS_ParamsRender>()->colorDefault_ = v; }
void TGIS_ParamsRender::SetStartSize(int32_t v) { Writable<TGIS_ParamsRender>()->startSize_ = v; }
void TGIS_ParamsRender::SetEndSize(int32_t v) { Writable<TGIS_ParamsRender>()->endSize_ = v; }
void TGIS_ParamsRender::SetStartColor(uint32_t v) { Writable<TGIS_ParamsRender>()->startColor_ = v; }
void TGIS_ParamsRender::SetEndColor(uint32_t v) { Writable<TGIS_ParamsRender>()->endColor_ = v; }
void TGIS_ParamsRender::SetStartSizeEx(int32_t v) { Writable<TGIS_ParamsRender>()->startSizeEx_ = v; }
void TGIS_ParamsRender::SetEndSizeEx(int32_t v) { Writable<TGIS_ParamsRender>()->endSizeEx_ = v; }
void TGIS_ParamsRender::SetStartColorEx(uint32_t v) { Writable<TGIS_ParamsRender>()->startColorEx_ = v; }
void TGIS_ParamsRender::SetEndColorEx(uint32_t v) { Writable<TGIS_ParamsRender>()->endColorEx_ = v; }
void TGIS_ParamsRender::SetRound(int32_t v) { Writable<TGIS_ParamsRender>()->round_ = v; }

void TGIS_ParamsRender::Keys(TGIS_ParamsKeys& k) {
    const std::string p = "Render.";
    k.String(p + "Expression", ExpressionText(), [this](const std::string& v) { SetExpression(v); });
    k.String(p + "Chart", chart_, [this](const std::string& v) { SetChart(v); });
    k.Float(p + "MinVal", minVal_, [this](double v) { SetMinVal(v); });
    k.Float(p + "MaxVal", maxVal_, [this](double v) { SetMaxVal(v); });
    k.Integer(p + "Zones", zones_, [this](int32_t v) { SetZones(v); });
    k.Float(p + "MinValEx", minValEx_, [this](double v) { SetMinValEx(v); });
    k.Float(p + "MaxValEx", maxValEx_, [this](double v) { SetMaxValEx(v); });
    k.Integer(p + "ZonesEx", zonesEx_, [this](int32_t v) { SetZonesEx(v); });
    k.Integer(p + "SizeDefault", sizeDefault_, [this](int32_t v) { SetSizeDefault(v); });
    k.Color(p + "ColorDefault", colorDefault_, [this](uint32_t v) { SetColorDefault(v); });
    k.Integer(p + "StartSize", startSize_, [this](int32_t v) { SetStartSize(v); });
    k.Integer(p + "EndSize", endSize_, [this](int32_t v) { SetEndSize(v); });
    k.Color(p + "StartColor", startColor_, [this](uint32_t v) { SetStartColor(v); });
    k.Color(p + "EndColor", endColor_, [this](uint32_t v) { SetEndColor(v); });
    k.Integer(p + "StartSizeEx", startSizeEx_, [this](int32_t v) { SetStartSizeEx(v); });
    k.Integer(p + "EndSizeEx", endSizeEx_, [this](int32_t v) { SetEndSizeEx(v); });
    k.Color(p + "StartColorEx", startColorEx_, [this](uint32_t v) { SetStartColorEx(v); });
    k.Color(p + "EndColorEx", endColorEx_, [this](uint32_t v) { SetEndColorEx(v); });
    k.Integer(p + "Round", round_, [this](int32_t v) { SetRound(v); });
}

// ---- TGIS_ParamsShape ----

TGIS_ParamsShape::TGIS_ParamsShape() = default;
TGIS_ParamsShape::~TGIS_ParamsShape() = default;

void TGIS_ParamsShape::SetOwnParams(std::unique_ptr<TGIS_ParamsSectionVector> section) {
    ownParams_ = std::move(section);
}

// ---- TGIS_ParamsSection ----

void TGIS_ParamsSection::Assign(const TGIS_ParamsAbstract& source) {
    if (auto* s = dynamic_cast<const TGIS_ParamsSection*>(&source)) {
        style_ = s->style_;
        visible_ = s->visible_;
        minZoom_ = s->minZoom_;
        maxZoom_ = s->maxZoom_;
        minScale_ = s->minScale_;
        maxScale_ = s->maxScale_;
        transparency_ = s->transparency_;
        addition_ = s->addition_;
        legend_ = s->legend_;
    }
    TGIS_ParamsAbstract::Assign(source);
}

void TGIS_ParamsSection::SetStyle(const std::string& v) { Change(style_, v); }
void TGIS_ParamsSection::SetVisible(bool v) { Change(visible_, v); }
void TGIS_ParamsSection::SetMinZoom(double v) { Change(minZoom_, v); }
void TGIS_ParamsSection::SetMaxZoom(double v) { Change(maxZoom_, v); }
void TGIS_ParamsSection::SetMinScale(double v) { Change(minScale_, v); }
void TGIS_ParamsSection::SetMaxScale(double v) { Change(maxScale_, v); }
void TGIS_ParamsSection::SetTransparency(int32_t v) { Change(transparency_, v); }
void TGIS_ParamsSection::SetAddition(int32_t v) { Change(addition_, v); }
void TGIS_ParamsSection::SetLegend(const std::string& v) { Change(legend_, v); }

void TGIS_ParamsSection::LoadFromConfig(TGIS_Ini& ini) {
    SetStyle(ini.ReadString("Style", style_));
    SetVisible(ini.ReadBoolean("Visible", visible_));
    SetMinZoom(ini.ReadFloat("MinZoom", minZoom_));
    SetMaxZoom(ini.ReadFloat("MaxZoom", maxZoom_));
    SetMinScale(ini.ReadFloat("MinScale", minScale_));
    SetMaxScale(ini.ReadFloat("MaxScale", maxScale_));
    SetTransparency(ini.ReadInteger("Transparency", transparency_));
    SetAddition(ini.ReadInteger("Addition", addition_));
    SetLegend(ini.ReadString("Legend", legend_));
}

void TGIS_ParamsSection::SaveToConfig(TGIS_Ini& ini) {
    ini.WriteString("Style", style_);
    ini.WriteBoolean("Visible", visible_);
    ini.WriteFloat("MinZoom", minZoom_);
    ini.WriteFloat("MaxZoom", maxZoom_);
    ini.WriteFloat("MinScale", minScale_);
    ini.WriteFloat("MaxScale", maxScale_);
    ini.WriteInteger("Transparency", transparency_);
    ini.WriteInteger("Addition", addition_);
    ini.WriteString("Legend", legend_);
}

// ---- TGIS_ParamsSectionVector ----

TGIS_ParamsSectionVector::TGIS_ParamsSectionVector() = default;
TGIS_ParamsSectionVector::~TGIS_ParamsSectionVector() = default;

std::unique_ptr<TGIS_ParamsAbstract> TGIS_ParamsSectionVector::NewInstance() const {
    return std::make_unique<TGIS_ParamsSectionVector>();
}

void TGIS_ParamsSectionVector::Assign(const TGIS_ParamsAbstract& source) {
    if (&source == this) return;
    if (auto* s = dynamic_cast<const TGIS_ParamsSectionVector*>(&source)) {
        auto& src = const_cast<TGIS_ParamsSectionVector&>(*s);
        if (!Shape()) {
            query_ = MakeQuery(s->QueryText());
            Render().Assign(src.Render());
        }
        for (auto kind : {TGIS_ParamsKind::Line, TGIS_ParamsKind::Area, TGIS_ParamsKind::Marker,
                          TGIS_ParamsKind::Labels, TGIS_ParamsKind::Chart})
            Get(kind).Assign(src.Get(kind));
    }
    TGIS_ParamsSection::Assign(source);
}

void TGIS_ParamsSectionVector::SetQuery(const std::string& text) {
    IncChangeCount();
    query_.reset();
    query_ = MakeQuery(text);
}

std::string TGIS_ParamsSectionVector::QueryText() const { return QueryTextOf(query_.get()); }

TGIS_ParamsVector& TGIS_ParamsSectionVector::Get(TGIS_ParamsKind kind) {
    auto& slot = sub_[size_t(kind)];
    if (!slot) {
        switch (kind) {
        case TGIS_ParamsKind::Render: slot = std::make_unique<TGIS_ParamsRender>(); break;
        case TGIS_ParamsKind::Line: slot = std::make_unique<TGIS_ParamsLine>(); break;
        case TGIS_ParamsKind::Area: slot = std::make_unique<TGIS_ParamsArea>(); break;
        case TGIS_ParamsKind::Marker: slot = std::make_unique<TGIS_ParamsMarker>(); break;
        case TGIS_ParamsKind::Labels: slot = std::make_unique<TGIS_ParamsLabel>(); break;
        case TGIS_ParamsKind::Chart: slot = std::make_unique<TGIS_ParamsChart>(); break;
        }
        slot->SetSection(this);
    }
    return *slot;
}

TGIS_ParamsVector& TGIS_ParamsSectionVector::Store(std::unique_ptr<TGIS_ParamsVector> params) {
    auto& slot = sub_[size_t(params->Kind())];
    slot = std::move(params);
    slot->SetSection(this);
    return *slot;
}

void TGIS_ParamsSectionVector::LoadFromConfig(TGIS_Ini& ini) {
    TGIS_ParamsSection::LoadFromConfig(ini);
    SetQuery(ini.ReadString("Query", QueryText()));
    for (int kind = 0; kind < GIS_PARAMS_KINDS; ++kind) Get(TGIS_ParamsKind(kind)).LoadFromConfig(ini);
}

void TGIS_ParamsSectionVector::SaveToConfig(TGIS_Ini& ini) {
    TGIS_ParamsSection::SaveToConfig(ini);
    ini.WriteString("Query", QueryText());
    for (int kind = 0; kind < GIS_PARAMS_KINDS; ++kind) Get(TGIS_ParamsKind(kind)).SaveToConfig(ini);
}

// ---- TGIS_ParamsList ----

TGIS_ParamsList::TGIS_ParamsList(TGIS_ParamsSection** target) : target_(target) {}

TGIS_ParamsList::~TGIS_ParamsList() {
    while (!items_.empty()) items_.pop_back();
}

void TGIS_ParamsList::Select(int index) {
    QM_ASSERT(!items_.empty(), "GisParams: empty list");
    if (index < 0 || index >= Count()) return;
    selected_ = index;
    if (target_) *target_ = items_[size_t(index)].get();
}

TGIS_ParamsSection* TGIS_ParamsList::GetSection(int index) const {
    QM_ASSERT(!items_.empty(), "GisParams: empty list");
    QM_ASSERT(index >= 0 && index < Count(), "GisParams: no such section");
    return items_[size_t(index)].get();
}

void TGIS_ParamsList::AddDefault(std::unique_ptr<TGIS_ParamsSection> section) {
    QM_ASSERT(items_.empty(), "GisParams: list not empty");
    items_.push_back(std::move(section));
    Select(0);
}

void TGIS_ParamsList::AddCopy() {
    QM_ASSERT(!items_.empty(), "GisParams: empty list");
    std::unique_ptr<TGIS_ParamsSection> copy(static_cast<TGIS_ParamsSection*>(items_[0]->Clone().release()));
    items_.push_back(std::move(copy));
    Select(Count() - 1);
}

void TGIS_ParamsList::ClearExtra() {
    while (items_.size() > 1) items_.pop_back();
    Select(0);
}
