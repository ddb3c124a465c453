#include "platform/ui/Graphics.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "platform/ui/GraphicsInternal.h"
#include "platform/ui/QtGlue.h"

// ---------------------------------------------------------------- fonts
namespace {
constexpr const char* CjkFace = "WenQuanYi Micro Hei";
}

std::string MapFontFace(const std::string& face) {
    std::string f = LowerCase(face);
    // Chinese faces, as GBK names: song, hei, kai, fangsong, new song, microsoft yahei.
    static const char* cjk[] = {"\xcb\xce\xcc\xe5", "\xba\xda\xcc\xe5", "\xbf\xac\xcc\xe5",
                                "\xb7\xc2\xcb\xce", "\xd0\xc2\xcb\xce\xcc\xe5", "\xce\xa2\xc8\xed\xd1\xc5\xba\xda",
                                "\xbf\xac\xcc\xe5_gb2312", "\xb7\xc2\xcb\xce_gb2312"};
    for (const char* c : cjk)
        if (f == c) return CjkFace;
    if (f == "simsun" || f == "nsimsun" || f == "simhei" || f == "microsoft yahei" || f == "kaiti" ||
        f == "fangsong" || f == "wenquanyi micro hei")
        return CjkFace;
    if (f.find("courier") != std::string::npos || f == "fixedsys" || f == "terminal" || f == "lucida console")
        return "DejaVu Sans Mono";
    if (f.find("times") != std::string::npos || f == "ms serif" || f == "georgia") return "DejaVu Serif";
    return "DejaVu Sans";
}

bool IsTrueTypeFace(const std::string& face) {
    std::string f = LowerCase(face);
    static const char* raster[] = {"ms sans serif", "ms serif", "system", "terminal", "fixedsys", "small fonts",
                                   "courier", "modern", "roman", "script"};
    for (const char* r : raster)
        if (f == r) return false;
    return true;
}

namespace {
// The Chinese system faces the forms were laid out with draw Latin letters and digits half as wide as the
// character height; the installed CJK face draws them wider, so that a seconds edit could not hold "59.999".
// Its pixel size is lowered until a digit is no wider than half the requested height (rounded up).
int HalfWidthDigitPixels(QFont q, int px) {
    auto digit = [&q](int p) {
        q.setPixelSize(p);
        return QFontMetrics(q).horizontalAdvance(QLatin1Char('0'));
    };
    int half = (px + 1) / 2, lowest = std::max(1, px * 3 / 4), wide = digit(px);
    if (wide <= half) return px;
    // Hinting rounds advances: start just above the proportional guess and step down.
    for (int p = std::min(px - 1, px * half / std::max(wide, 1) + 1); p > lowest; --p)
        if (digit(p) <= half) return p;
    return lowest;
}
}  // namespace

QFont ToQFont(const TFont& f) {
    EnsureGuiApplication();
    QFont q;
    std::string face = MapFontFace(f.Name());
    QString mapped = QString::fromLatin1(face.c_str());
    q.setFamilies({mapped, QString::fromLatin1(CjkFace)});
    int h = f.Height();
    int px = h < 0 ? -h : h;
    if (h > 0) {
        // A positive height is the cell height: scale the character height to fit it.
        QFont probe = q;
        probe.setPixelSize(100);
        QFontMetricsF m(probe);
        px = std::max(1, int(std::lround(h * 100.0 / std::max(1.0, m.ascent() + m.descent()))));
    }
    q.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferBitmap));
    q.setHintingPreference(QFont::PreferFullHinting);
    q.setKerning(false);
    px = std::max(1, px);
    q.setPixelSize(face == CjkFace ? HalfWidthDigitPixels(q, px) : px);
    q.setBold(f.Style() & fsBold);
    q.setItalic(f.Style() & fsItalic);
    q.setUnderline(f.Style() & fsUnderline);
    q.setStrikeOut(f.Style() & fsStrikeOut);
    return q;
}

namespace {
const TEnumInfo FontStyleIdents{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
const TEnumInfo PitchIdents{{"fpDefault", "fpVariable", "fpFixed"}};
}  // namespace

const TClassInfo& TFont::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TFont", &TPersistent::StaticClass(), {}, {}, {}};
        TPropInfo charset = OrdProp<TFont, TFontCharset>("Charset", &TFont::Charset, &TFont::SetCharset,
                                                         DEFAULT_CHARSET);
        c.props = {StrProp<TFont>("Name", &TFont::Name, &TFont::SetName),
                   OrdProp<TFont, int>("Size", &TFont::Size, &TFont::SetSize),
                   OrdProp<TFont, int>("Height", &TFont::Height, &TFont::SetHeight),
                   OrdProp<TFont, TColor>("Color", &TFont::Color, &TFont::SetColor, clWindowText),
                   SetProp<TFont, TFontStyles>("Style", &TFont::Style, &TFont::SetStyle, &FontStyleIdents, 0),
                   charset,
                   OrdProp<TFont, TFontPitch>("Pitch", &TFont::Pitch, &TFont::SetPitch, fpDefault, &PitchIdents)};
        return c;
    }();
    return ci;
}

void TFont::SetName(const std::string& n) {
    if (name_ == n || n.empty()) return;
    name_ = n;
    Changed();
}
int TFont::Size() const { return int(-Round(height_ * 72.0 / ppi_)); }
void TFont::SetSize(int points) { SetHeight(int(-Round(points * double(ppi_) / 72.0))); }
void TFont::SetHeight(int h) {
    if (Store(height_, h)) Changed();
}
void TFont::SetStyle(TFontStyles s) {
    if (Store(style_, s)) Changed();
}
void TFont::SetColor(TColor c) {
    if (Store(color_, c)) Changed();
}
void TFont::SetCharset(TFontCharset c) {
    if (Store(charset_, c)) Changed();
}
void TFont::SetPitch(TFontPitch p) {
    if (Store(pitch_, p)) Changed();
}
void TFont::SetEscapement(int tenths) {
    if (Store(escapement_, tenths)) Changed();
}
void TFont::SetHandle(HFONT f) {
    if (!f) return;
    const LOGFONT& lf = f->lf;
    if (!lf.lfFaceName.empty()) name_ = lf.lfFaceName;
    if (lf.lfHeight != 0) height_ = lf.lfHeight;
    style_ = (lf.lfWeight >= 600 ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) | (lf.lfUnderline ? fsUnderline : 0) |
             (lf.lfStrikeOut ? fsStrikeOut : 0);
    charset_ = lf.lfCharSet;
    pitch_ = (lf.lfPitchAndFamily & 3) == FIXED_PITCH      ? fpFixed
             : (lf.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable
                                                           : fpDefault;
    escapement_ = lf.lfEscapement;
    orientation_ = lf.lfOrientation;
    Changed();
}
LOGFONT TFont::LogFont() const {
    LOGFONT lf;
    lf.lfHeight = height_;
    lf.lfEscapement = escapement_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    lf.lfFaceName = name_;
    return lf;
}
void TFont::Assign(const TFont& o) {
    if (*this == o && ppi_ == o.ppi_) return;
    name_ = o.name_;
    height_ = o.height_;
    if (o.ppi_ != ppi_) height_ = int(Round(o.height_ * double(ppi_) / o.ppi_));
    style_ = o.style_;
    color_ = o.color_;
    charset_ = o.charset_;
    pitch_ = o.pitch_;
    escapement_ = o.escapement_;
    orientation_ = o.orientation_;
    Changed();
}
bool TFont::operator==(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_ &&
           charset_ == o.charset_ && pitch_ == o.pitch_ && escapement_ == o.escapement_ &&
           orientation_ == o.orientation_;
}
