#include "gis/layers/GisSymbol.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

#include "gis/core/GisDefs.h"
#include "gis/core/GisParamsText.h"
#include "gis/core/GisUtils.h"
#include "gis/layers/GisViewer.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphics.h"

namespace {

// The extension of a name whose last part may follow a ':' (a font character) rather than a '/'.
std::string ExtensionOf(const std::string& name) {
    size_t dot = name.rfind('.');
    size_t delimiter = name.find_last_of("/:");
    if (dot == std::string::npos || (delimiter != std::string::npos && dot < delimiter)) return "";
    return UpperCase(name.substr(dot));
}

// Font name, character part and style words of a font symbol's name.
struct FontName {
    std::string family = "Arial", character = "?", styles;
};
FontName SplitFontName(const std::string& name) {
    FontName f;
    TGIS_Tokenizer t;
    t.Execute(name, ":", false);
    if (t.Tokens.Count() == 0) return f;
    f.family = t.Tokens[0];
    f.character = t.Tokens.Count() > 1 ? t.Tokens[1] : "";
    for (int i = 2; i < t.Tokens.Count(); ++i) f.styles += (i > 2 ? ":" : "") + t.Tokens[i];
    return f;
}

}  // namespace

// ---------------------------------------------------------------- abstract symbol
TGIS_SymbolAbstract::TGIS_SymbolAbstract(const std::string& name) : Name(name) {}

TGIS_SymbolAbstract::~TGIS_SymbolAbstract() = default;

int TGIS_SymbolAbstract::GetSize() const { return std::max(Width, Height); }

void TGIS_SymbolAbstract::SetPosition(uint8_t position) {
    const int p = position & 127;
    if (p > 8) return;
    const int column = p % 3, row = p / 3;
    AnchorX = column == 0 ? -Width / 2 : column == 1 ? 0 : Width / 2;
    AnchorY = row == 0 ? -Height / 2 : row == 1 ? 0 : Height / 2;
}

void TGIS_SymbolAbstract::SetAngle(double angle) {
    RotSin = std::sin(angle);
    RotCos = std::cos(angle);
    SetPosition(Position);
    const double x = AnchorX, y = AnchorY;
    AnchorX = GisRoundToInt(x * RotCos - y * RotSin);
    AnchorY = GisRoundToInt(x * RotSin + y * RotCos);
}

void TGIS_SymbolAbstract::Prepare(TGIS_Viewer* viewer, int size, uint8_t position, int gap, double angle,
                                  uint32_t color2, uint32_t color1) {
    Viewer = viewer;
    Canvas = viewer ? viewer->GetCanvas() : nullptr;
    PixelsPerInch = Canvas ? Canvas->PixelsPerInch() : 96;
    SizePx = viewer ? viewer->TwipsToPixels(size) : 0;
    // The sentinel stays itself, so that a colour not yet resolved leaves the symbol's own.
    auto device = [](uint32_t c) { return c == GIS_SYMBOL_NO_COLOR ? c : uint32_t(ColorToRGB(TColor(c))); };
    Color1 = device(color1);
    Color2 = device(color2);
    Angle = angle;
    Gap = viewer ? viewer->TwipsToPixels(gap) : 0;
    Position = position;
    if (size == 0) {
        SizePx = 280;
        Scale = 1.0;
    } else {
        Scale = SizePx / NaturalSize;
    }
    SetAngle(angle);
    Width = GetWidth();
    Height = GetHeight();
    // The anchor follows the size just taken, not the one of the previous preparation.
    SetAngle(angle);
    SeenColor1 = SeenColor2 = GIS_SYMBOL_NO_COLOR;
}

void TGIS_SymbolAbstract::Unprepare() {
    Viewer = nullptr;
    Canvas = nullptr;
}

uint32_t TGIS_SymbolAbstract::MapColor(uint32_t c) {
    if (SeenColor1 == GIS_SYMBOL_NO_COLOR)
        SeenColor1 = c;
    else if (SeenColor2 == GIS_SYMBOL_NO_COLOR)
        SeenColor2 = c;
    if (c == SeenColor1) return Color1 != GIS_SYMBOL_NO_COLOR ? Color1 : c;
    if (c == SeenColor2) return Color2 != GIS_SYMBOL_NO_COLOR ? Color2 : c;
    return c;
}

// ---------------------------------------------------------------- font symbol
TGIS_SymbolFont::TGIS_SymbolFont(const std::string& name) : TGIS_SymbolAbstract(name), Font(new TFont) {
    const FontName f = SplitFontName(name);
    int code;
    if (f.character.size() == 1)
        code = static_cast<uint8_t>(f.character[0]);
    else
        code = StrToInt(f.character);
    if (code < 0 || code > 255) throw EConvertError("'" + f.character + "' is not a character code");
    Character = static_cast<uint8_t>(code);
    // The code is a Latin-1 character; canvas text is GBK, whose superset spells every one of them.
    text_ = code < 128 ? std::string(1, char(code)) : ConvertText(std::string(1, char(code)), "GB18030", "ISO-8859-1");
    Font->SetName(f.family);
    Font->SetSize(8);
    Font->SetStyle(TextToFontStyle(f.styles, 0));
}

TGIS_SymbolFont::~TGIS_SymbolFont() = default;

int TGIS_SymbolFont::NaturalWidth() const { return Canvas ? Canvas->TextWidth(text_) : 1; }
int TGIS_SymbolFont::NaturalHeight() const { return Canvas ? Canvas->TextHeight(text_) : 1; }

void TGIS_SymbolFont::SetAngle(double angle) {
    TGIS_SymbolAbstract::SetAngle(angle);
    if (!Canvas) return;
    const int64_t twips = Viewer ? Viewer->PixelsToTwips(int(Trunc(SizePx))) : 0;
    Font->SetPixelsPerInch(PixelsPerInch);
    Font->SetSize(int(twips * 72 / 1440));
    double a = std::fmod(-angle, 2 * std::numbers::pi);
    if (a < 0) a += 2 * std::numbers::pi;
    const int tenths = GisRoundToInt(a * 180 / std::numbers::pi * 10);
    Font->SetEscapement(tenths);
    Font->SetOrientation(tenths);
    Canvas->SetFont(*Font);
}

void TGIS_SymbolFont::Draw(int x, int y) {
    if (!Canvas) return;
    const int oldMode = Canvas->SetBkMode(TRANSPARENT);
    const UINT oldAlign = Canvas->SetTextAlign(TA_BOTTOM);
    const double w = Width / 2.0, h = Height / 2.0;
    const int ox = x + GisRoundToInt(-w * RotCos - h * RotSin), oy = y + GisRoundToInt(-w * RotSin + h * RotCos);
    TFont* font = Canvas->Font();
    if (Color2 != Color1) {
        const bool printing = Viewer && Viewer->OutputMode() == gisOutputPrinter;
        const int halo = printing ? PixelsPerInch / 96 : 1;
        font->SetColor(TColor(Color2));
        for (int k = 1; k <= halo; ++k) {
            Canvas->TextOut(ox - k, oy, text_);
            Canvas->TextOut(ox + k, oy, text_);
            Canvas->TextOut(ox, oy - k, text_);
            Canvas->TextOut(ox, oy + k, text_);
            if (!printing) continue;
            Canvas->TextOut(ox - k, oy - k, text_);
            Canvas->TextOut(ox + k, oy - k, text_);
            Canvas->TextOut(ox - k, oy + k, text_);
            Canvas->TextOut(ox + k, oy + k, text_);
        }
    }
    font->SetColor(TColor(Color1));
    Canvas->TextOut(ox, oy, text_);
    Canvas->SetTextAlign(oldAlign);
    Canvas->SetBkMode(oldMode);
}

// ---------------------------------------------------------------- picture symbol
TGIS_SymbolPicture::TGIS_SymbolPicture(const std::string& name) : TGIS_SymbolAbstract(name), Picture(new TPicture) {
    TGIS_Tokenizer t;
    t.Execute(name, "?", false);
    const std::string file = t.Tokens.Count() > 0 ? t.Tokens[0] : name;
    const std::string path = ExpandFileName(file);
    // A symbol is drawn a few hundred pixels wide at most: a larger picture is a corrupt or hostile file, and is
    // refused from its header before its pixels cost memory.
    constexpr uint64_t kMaxSymbolPixels = uint64_t(4096) * 4096;
    try {
        Picture->LoadFromFile(path, kMaxSymbolPixels);
    } catch (const EInvalidGraphic&) {
        throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, path, 0);
    }
    if (t.Tokens.Count() > 1 && Picture->Graphic())
        Picture->Graphic()->SetTransparent(TextToBoolean(t.Tokens[1], true));
    // A picture of no pixels has no scale.
    if (Picture->Height() <= 0 || Picture->Width() <= 0) throw EGIS_Exception(GIS_RS_ERR_BADFORMAT, path, 0);
    NaturalSize = Picture->Height();
}

TGIS_SymbolPicture::~TGIS_SymbolPicture() = default;

int TGIS_SymbolPicture::NaturalWidth() const { return GisRoundToInt(Picture->Width() * Scale); }
int TGIS_SymbolPicture::NaturalHeight() const { return GisRoundToInt(Picture->Height() * Scale); }

void TGIS_SymbolPicture::Draw(int x, int y) {
    if (!Canvas) return;
    auto at = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    Canvas->StretchDraw(TRect(at(int64_t(x) - Width / 2), at(int64_t(y) - Height / 2), at(int64_t(x) + Width / 2),
                              at(int64_t(y) + Height / 2)),
                        Picture->Graphic());
}

// ---------------------------------------------------------------- symbol list
struct TGIS_SymbolList::Items {
    std::map<std::string, std::unique_ptr<TGIS_SymbolAbstract>> byKey;
};

TGIS_SymbolList::TGIS_SymbolList() : items_(new Items) {}

TGIS_SymbolList::~TGIS_SymbolList() = default;

std::string TGIS_SymbolList::KeyOf(const std::string& name) {
    // Files are named as on the systems the configurations come from, where case does not tell files apart.
    if (!ExtensionOf(name).empty()) return AnsiUpperCase(ExpandFileName(name));
    // The character keeps its case: "Arial:a" is not "Arial:A".
    const FontName f = SplitFontName(name);
    return UpperCase(f.family) + ":" + f.character + ":" + UpperCase(f.styles);
}

TGIS_SymbolAbstract* TGIS_SymbolList::Prepare(const std::string& name) {
    if (name.empty()) return nullptr;
    const std::string key = KeyOf(name);
    auto it = items_->byKey.find(key);
    if (it != items_->byKey.end()) return it->second.get();
    const std::string ext = ExtensionOf(name);
    std::unique_ptr<TGIS_SymbolAbstract> s;
    if (ext.empty())
        s = std::make_unique<TGIS_SymbolFont>(name);
    else if (ext == ".CGM")
        s = std::make_unique<TGIS_SymbolCgm>(name);
    else
        s = std::make_unique<TGIS_SymbolPicture>(name);
    TGIS_SymbolAbstract* r = s.get();
    items_->byKey.emplace(key, std::move(s));
    return r;
}

void TGIS_SymbolList::Clear() { items_->byKey.clear(); }

int TGIS_SymbolList::Count() const { return static_cast<int>(items_->byKey.size()); }

namespace {

// Configuration keys read symbols through this: a symbol that does not load reads as the key's default.
TGIS_SymbolAbstract* ByName(const std::string& name) {
    try {
        return GisSymbolList().Prepare(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}
std::string NameOf(const TGIS_SymbolAbstract& symbol) { return symbol.Name; }
const TGIS_SymbolProvider kProvider{ByName, NameOf};

// Made while the program starts, before any window; freed with every symbol at exit.
[[maybe_unused]] const bool kMade = (GisSymbolList(), GisSetSymbolProvider(&kProvider), true);

}  // namespace

TGIS_SymbolList& GisSymbolList() {
    static TGIS_SymbolList list;
    return list;
}

// ---------------------------------------------------------------- line of symbols
namespace {

// floor(sqrt(v)) of a non-negative 128-bit integer.
__int128 ISqrt(__int128 v) {
    __int128 r = static_cast<__int128>(std::sqrt(static_cast<long double>(v)));
    while (r > 0 && r * r > v) --r;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}

// q / d rounded half away from zero (d > 0).
__int128 RoundedQuotient(__int128 q, __int128 d) { return q >= 0 ? (2 * q + d) / (2 * d) : -((-2 * q + d) / (2 * d)); }

}  // namespace

// Where a walk along a -> b leaves the circle of radius r around c, in whole pixels and integer arithmetic, so
// the chain does not drift with rounding along long lines. Beyond 2^30 pixels the squares would not fit: such
// points are far off any device, and are worked out in floating point.
bool GisSymbolLineIntersect(const TPoint& c, int r, const TPoint& a, const TPoint& b, TPoint& at) {
    constexpr int64_t kExact = int64_t(1) << 30;
    const auto within = [](const TPoint& p) {
        return std::abs(int64_t(p.X)) < kExact && std::abs(int64_t(p.Y)) < kExact;
    };
    // The walk a + t (b - a) meets the circle where qa t^2 + 2 qb t + qc = 0; it leaves at the larger root.
    const auto terms = [&](auto zero) {
        using N = decltype(zero);
        struct {
            N dx, dy, qa, qb, disc;
        } q;
        q.dx = N(b.X) - N(a.X), q.dy = N(b.Y) - N(a.Y);
        const N fx = N(a.X) - N(c.X), fy = N(a.Y) - N(c.Y);
        q.qa = q.dx * q.dx + q.dy * q.dy;
        q.qb = fx * q.dx + fy * q.dy;
        q.disc = q.qb * q.qb - q.qa * (fx * fx + fy * fy - N(r) * N(r));
        return q;
    };
    if (!within(c) || !within(a) || !within(b)) {
        const auto q = terms(0.0);
        if (q.qa == 0 || q.disc < 0) return false;
        const double t = (-q.qb + std::sqrt(q.disc)) / q.qa;
        if (t < 0 || t > 1) return false;
        at = TPoint(GisRoundToInt(a.X + t * q.dx), GisRoundToInt(a.Y + t * q.dy));
        return true;
    }
    const auto q = terms(__int128(0));
    if (q.qa == 0 || q.disc < 0) return false;
    const __int128 num = ISqrt(q.disc) - q.qb;
    if (num < 0 || num > q.qa) return false;
    at = TPoint(int(a.X + RoundedQuotient(q.dx * num, q.qa)), int(a.Y + RoundedQuotient(q.dy * num, q.qa)));
    return true;
}

namespace {

double Distance(const TPoint& a, const TPoint& b) { return std::hypot(double(b.X) - a.X, double(b.Y) - a.Y); }

TPoint Toward(const TPoint& from, const TPoint& to, double length, double total) {
    const double f = length / total;
    return TPoint(GisRoundToInt(from.X + (double(to.X) - from.X) * f), GisRoundToInt(from.Y + (double(to.Y) - from.Y) * f));
}

}  // namespace

void GisDrawSymbolLine(TGIS_SymbolAbstract& symbol, const TPoint* points, int count) {
    if (!symbol.Canvas || !points || count < 2) return;
    const double step = std::max<double>(
        2, Trunc(std::max(std::fabs(symbol.Width * std::cos(symbol.Angle)),
                          std::fabs(symbol.Height * std::sin(symbol.Angle)))) - 1 + symbol.Gap);
    const int radius = int(std::min<double>(step, INT32_MAX));

    // The chain: points one step apart along the line, or farther apart on one piece of it.
    std::vector<TPoint>& chain = GisSymbolList().LineBuffer;
    chain.clear();
    if (chain.capacity() < size_t(count) * 2 + 1) chain.reserve(std::max<size_t>(size_t(count) * 2 + 1, 2 * 131073 + 1));
    TPoint last = points[0];
    chain.push_back(last);
    for (int i = 1; i < count; ++i) {
        const TPoint& v = points[i];
        TPoint q;
        if (!GisSymbolLineIntersect(last, radius, points[i - 1], v, q)) {
            if (Distance(last, v) <= step) continue;
            // The piece starts beyond the circle (rounding put it there): it is the next stamp.
            q = points[i - 1];
        }
        chain.push_back(q);
        last = q;
        const double d = Distance(q, v);
        if (d > step) {
            last = Toward(q, v, Trunc(d / step) * step, d);
            chain.push_back(last);
        }
    }

    const TRect clip = symbol.Canvas->ClipRect();
    const int64_t reach = 2 * int64_t(symbol.GetSize()) + 1;
    double angle = std::numeric_limits<double>::quiet_NaN();
    for (size_t j = 0; j + 1 < chain.size(); ++j) {
        const TPoint& a = chain[j];
        const TPoint& b = chain[j + 1];
        const double length = Distance(a, b);
        const double turn = std::atan2(double(b.Y) - a.Y, double(b.X) - a.X) + symbol.Angle;
        for (double at = 0; at < length; at += step) {
            const TPoint p = at == 0 ? a : Toward(a, b, at, length);
            if (int64_t(p.X) + reach < clip.Left || int64_t(p.X) - reach > clip.Right ||
                int64_t(p.Y) + reach < clip.Top || int64_t(p.Y) - reach > clip.Bottom)
                continue;
            if (turn != angle) {
                symbol.SetAngle(turn);
                angle = turn;
            }
            symbol.Draw(p.X, p.Y);
        }
    }
}
