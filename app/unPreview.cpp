#include "app/unPreview.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "app/unInputString.h"
#include "app/unSheetLayer.h"
#include "app/unTFInformation.h"
#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLayerDGN.h"
#include "gis/layers/GisLayerMIF.h"
#include "gis/layers/GisLayerSHP.h"
#include "gis/layers/GisLayerTAB.h"
#include "gis/layers/GisLayerVector.h"
#include "gis/layers/GisViewerWnd.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtButton.h"
#include "widgets/VtStatus.h"

const char* const TessarLayerName = "TessarLayer";
TfrmPreview* frmPreview = nullptr;

const TClassInfo& TfrmPreview::StaticClass() {
    static const TClassInfo ci = [] {
        using F = TfrmPreview;
        TClassInfo c{"TfrmPreview", &TForm::StaticClass(), {}, {}, {}};
        c.methods = {Method("BtnOpenClick", &F::BtnOpenClick),
                     Method("BtnInternetClick", &F::BtnInternetClick),
                     Method("BtnZoomInClick", &F::BtnZoomInClick),
                     Method("BtnZoomOutClick", &F::BtnZoomOutClick),
                     Method("VtToolButton1Click", &F::VtToolButton1Click),
                     Method("BtnInformationClick", &F::BtnInformationClick),
                     Method("VtToolButton2Click", &F::VtToolButton2Click),
                     Method("BtnDeleteClick", &F::BtnDeleteClick),
                     Method("BtnExitClick", &F::BtnExitClick),
                     Method("GIS_ViewerWnd1MouseMove", &F::GIS_ViewerWnd1MouseMove),
                     Method("GIS_ViewerWnd1MouseUp", &F::GIS_ViewerWnd1MouseUp)};
        return c;
    }();
    return ci;
}

namespace {
// ---- the tool bar's glyphs ----
// Pixel maps for the image list's 20 x 20 pixels, one character a pixel ('.' draws nothing), so that every
// edge falls on a whole pixel behind the list's one-bit mask. Dark outlines keep each shape in the disabled
// look, which shows only the darker pixels.
constexpr int GlyphSize = 20;

constexpr TColor GlyphColor(char c) {
    switch (c) {
    case 'K': return RGB(0x20, 0x20, 0x20);  // outlines
    case 'k': return RGB(0x5A, 0x5A, 0x5A);
    case 'g': return RGB(0x9A, 0x9A, 0x9A);
    case 'w': return clWhite;
    case 'B': return RGB(0x1A, 0x47, 0x8F);  // blues, dark to light
    case 'b': return RGB(0x3A, 0x7B, 0xD5);
    case 'c': return RGB(0x9C, 0xC8, 0xF0);
    case 'C': return RGB(0xDC, 0xEE, 0xFC);
    case 'G': return clGreen;
    case 'L': return RGB(0x4C, 0xB0, 0x50);
    case 'l': return RGB(0x9C, 0xDC, 0x8C);  // light: the disabled look keeps the continents
    case 'D': return RGB(0x1B, 0x5E, 0x20);
    case 'y': return RGB(0xF6, 0xC8, 0x3C);
    case 'Y': return RGB(0xA8, 0x78, 0x00);
    case 'R': return RGB(0xC6, 0x28, 0x28);
    default: return clNone;
    }
}

constexpr const char* LayerStack[] = {
    "....................",
    ".........YY.........",
    ".......YYyyYY.......",
    ".....YYyyyyyyYY.....",
    "...YYyyyyyyyyyyYY...",
    ".YYyyyyyyyyyyyyyyYY.",
    "...YYyyyyyyyyyyYY...",
    ".....YYyyyyyyYY.....",
    "...DDLLYYyyYYLLDD...",
    ".DDLLLLLLYYLLLLLLDD.",
    "...DDLLLLLLLLLLDD...",
    ".....DDLLLLLLDD.....",
    "...BBccDDLLDDccBB...",
    ".BBccccccDDccccccBB.",
    "...BBccccccccccBB...",
    ".....BBccccccBB.....",
    ".......BBccBB.......",
    ".........BB.........",
    "....................",
    "....................",
};
constexpr const char* AddBadge[] = {
    "..wwww..",
    "..wGGw..",
    "wwwGGwww",
    "wGGGGGGw",
    "wGGGGGGw",
    "wwwGGwww",
    "..wGGw..",
    "..wwww..",
};
constexpr const char* ClearBadge[] = {
    "wwww.wwww",
    "wRRwwwRRw",
    "wRRRwRRRw",
    "wwRRRRRww",
    ".wwRRRww.",
    "wwRRRRRww",
    "wRRRwRRRw",
    "wRRwwwRRw",
    "wwww.wwww",
};
constexpr const char* Globe[] = {
    "....................",
    ".......BBBBBB.......",
    ".....BBbbblbbBB.....",
    "....BbcbllllbbbB....",
    "...BbclbblllbbbbB...",
    "..BbclllbblbblllbB..",
    "..BblllllbbblllllB..",
    ".BbblllllbbbllllllB.",
    ".BbbblllbbbbllllllB.",
    ".BbbbbllbbbbbllllbB.",
    ".BbbbbbllbbbblllbbB.",
    ".BbbbbblllbbbbllbbB.",
    ".BbbbbbllllbbblbbbB.",
    "..BbbbblllbbbbbbbB..",
    "..BbbbbllbbbbbllbB..",
    "...BbbblbbbbblllB...",
    "....BbbbbbbbbbbB....",
    ".....BBbbbbbbBB.....",
    ".......BBBBBB.......",
    "....................",
};
constexpr const char* Lens[] = {
    "....................",
    "......KKKK..........",
    "....KKKKKKKK........",
    "...KKKwwCCKKK.......",
    "..KKwwCCCCCCKK......",
    "..KKwCCCCCCCKK......",
    ".KKwCCCCCCCCCKK.....",
    ".KKCCCCCCCCCCKK.....",
    ".KKCCCCCCCCCCKK.....",
    ".KKCCCCCCCCCCKK.....",
    "..KKCCCCCCCCKK......",
    "..KKCCCCCCCCKK......",
    "...KKKCCCCKKKK......",
    "....KKKKKKKKKKK.....",
    "......KKKK..KKKKK...",
    ".............KKKKK..",
    "..............KKKKK.",
    "...............KKKK.",
    "................KK..",
    "....................",
};
constexpr const char* PlusMark[] = {
    "..BB..",
    "..BB..",
    "BBBBBB",
    "BBBBBB",
    "..BB..",
    "..BB..",
};
constexpr const char* MinusMark[] = {
    "BBBBBB",
    "BBBBBB",
};
constexpr const char* Hand[] = {
    "....................",
    ".........KK.........",
    "......KKKwwKKK......",
    ".....KwwKwwKwwK.....",
    ".....KwwKwwKwwKKK...",
    ".....KwwKwwKwwKwwK..",
    ".....KwwKwwKwwKwwK..",
    ".KK..KwwKwwKwwKwwK..",
    "KwwK.KwwKwwKwwKwwK..",
    "KwwwKKwwKwwKwwKwwK..",
    ".KwwwwwwwwwwwwwwwK..",
    "..KwwwwwwwwwwwwwwK..",
    "...KwwwwwwwwwwwwwK..",
    "...KwwwwwwwwwwwwgK..",
    "....KwwwwwwwwwwgK...",
    ".....KwwwwwwwwwgK...",
    "......KwwwwwwwwgK...",
    "......KwwwwwwwwgK...",
    "......KKKKKKKKKKK...",
    "....................",
};
constexpr const char* Information[] = {
    "....................",
    ".......BBBBBB.......",
    ".....BBbbbbbbBB.....",
    "....BbbbbbbbbbbB....",
    "...BbbbbbwwbbbbbB...",
    "..BbbbbbbwwbbbbbbB..",
    "..BbbbbbbbbbbbbbbB..",
    ".BbbbbbbbbbbbbbbbbB.",
    ".BbbbbbbwwwbbbbbbbB.",
    ".BbbbbbbbwwbbbbbbbB.",
    ".BbbbbbbbwwbbbbbbbB.",
    ".BbbbbbbbwwbbbbbbbB.",
    ".BbbbbbbbwwbbbbbbbB.",
    "..BbbbbbbwwbbbbbbB..",
    "..BbbbbbwwwwbbbbbB..",
    "...BbbbbbbbbbbbbB...",
    "....BbbbbbbbbbbB....",
    ".....BBbbbbbbBB.....",
    ".......BBBBBB.......",
    "....................",
};
constexpr const char* Binoculars[] = {
    "....................",
    "....................",
    "..KKKKK......KKKKK..",
    "..KggkK......KggkK..",
    "..KKKKK......KKKKK..",
    ".KkgkkkK....KkgkkkK.",
    ".KkgkkkKKKKKKkgkkkK.",
    ".KkgkkkKkkkkKkgkkkK.",
    ".KkgkkkKKKKKKkgkkkK.",
    ".KkgkkkK....KkgkkkK.",
    ".KkgkkkK....KkgkkkK.",
    "KKKKKKKKK..KKKKKKKKK",
    "KcCCcccbK..KcCCcccbK",
    "KCCcccbbK..KCCcccbbK",
    "KCcccbbbK..KCcccbbbK",
    "KcccbbbbK..KcccbbbbK",
    "KccbbbbbK..KccbbbbbK",
    ".KbbbbbK....KbbbbbK.",
    "..KKKKK......KKKKK..",
    "....................",
};
constexpr const char* ReturnArrow[] = {
    "....................",
    "......B.............",
    ".....BB.............",
    "....BbB.............",
    "...BbbBBBBBBBBB.....",
    "..BbbbbbbbbbbbbBB...",
    ".BbbbbbbbbbbbbbbbB..",
    "..BbbbbbbbbbbbbbbbB.",
    "...BbbBBBBBBBBBbbbB.",
    "....BbB.......BbbbB.",
    ".....BB.......BbbbB.",
    "......B.......BbbbB.",
    "..............BbbbB.",
    ".........BBBBBBbbbB.",
    ".........BbbbbbbbbB.",
    ".........BbbbbbbbB..",
    ".........BbbbbbBB...",
    ".........BBBBBB.....",
    "....................",
    "....................",
};
constexpr const char* SheetGrid[] = {
    "....................",
    "....................",
    "KKKKKKKKKKKKKKKKKKK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KKKKKKKKKKKKKKKKKKK.",
    "KwwwwwKyyyyyKwwwwwK.",
    "KwwwwwKyyyyyKwwwwwK.",
    "KwwwwwKyyyyyKwwwwwK.",
    "KwwwwwKyyyyyKwwwwwK.",
    "KKKKKKKKKKKKKKKKKKK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KwwwwwKwwwwwKwwwwwK.",
    "KKKKKKKKKKKKKKKKKKK.",
    "....................",
    "....................",
};

using PixelMap = std::span<const char* const>;
struct GlyphPart {
    PixelMap map;
    int x = 0, y = 0;
};
// A picture and the mark drawn over it.
struct Glyph {
    GlyphPart base, mark;
};
// By image index, in the order of the tool bar's buttons.
constexpr Glyph ToolGlyphs[] = {
    {{LayerStack}, {AddBadge, 11, 10}},    // add layer
    {{Globe}, {}},                         // full extent
    {{Lens}, {PlusMark, 5, 5}},            // zoom in
    {{Lens}, {MinusMark, 5, 7}},           // zoom out
    {{Hand}, {}},                          // pan
    {{Information}, {}},                   // sheet information
    {{Binoculars}, {}},                    // find
    {{LayerStack}, {ClearBadge, 10, 10}},  // clear layers
    {{ReturnArrow}, {}},                   // return
    {{SheetGrid}, {}},                     // the sheets (no button shows it)
};

consteval bool GlyphsDrawable() {
    for (const Glyph& g : ToolGlyphs)
        for (const GlyphPart& part : {g.base, g.mark}) {
            if (part.y + int(part.map.size()) > GlyphSize) return false;
            for (const char* row : part.map) {
                if (part.x + int(std::char_traits<char>::length(row)) > GlyphSize) return false;
                for (const char* p = row; *p; ++p)
                    if (*p != '.' && GlyphColor(*p) == clNone) return false;
            }
        }
    return true;
}
static_assert(std::size(ToolGlyphs) == 10 && GlyphsDrawable());

// A list of another size gets the glyphs centred and cut at its edges.
void FillToolImages(TCustomImageList& images) {
    const int w = images.Width(), h = images.Height();
    const int left = (w - GlyphSize) / 2, top = (h - GlyphSize) / 2;
    for (const Glyph& g : ToolGlyphs) {
        TBitmap bmp;
        bmp.SetSize(w, h);
        TCanvas* c = bmp.Canvas();
        c->Brush()->SetColor(clFuchsia);
        c->FillRect(TRect(0, 0, w, h));
        for (const GlyphPart& part : {g.base, g.mark})
            for (int y = 0; y < int(part.map.size()); ++y)
                for (int x = 0; part.map[size_t(y)][x]; ++x) {
                    const int px = left + part.x + x, py = top + part.y + y;
                    const char pixel = part.map[size_t(y)][x];
                    if (pixel != '.' && px >= 0 && px < w && py >= 0 && py < h)
                        c->SetPixel(px, py, GlyphColor(pixel));
                }
        images.AddMasked(&bmp, clFuchsia);
    }
}

TPlaneXY Xy(const TPlanePoint& p) { return {p.X, p.Y}; }
double Number(TGIS_Shape* shape, const char* field) { return shape->GetField(field).AsDouble(); }

// Map extent that grows point by point.
struct ExtentBuilder {
    TGIS_Extent e = GisEmptyExtent();
    void Add(double x, double y) { e = GisExtentUnion(e, {x, y, x, y}); }
};

// The name of a file without its extension (a dot in a folder name is no extension).
std::string WithoutExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}
}  // namespace

TfrmPreview::TfrmPreview(TComponent* owner) : TForm(owner) {
    InitComponentFromResource(this);
    viewer_ = dynamic_cast<TGIS_ViewerWnd*>(FindComponent("GIS_ViewerWnd1"));
    if (auto* images = dynamic_cast<TCustomImageList*>(FindComponent("ImageList1")); images && !images->Count())
        FillToolImages(*images);
}

TVtStatusPane* TfrmPreview::Pane(int n) const {
    return dynamic_cast<TVtStatusPane*>(FindComponent("VtStatusPane" + std::to_string(n)));
}

TGIS_LayerVector* TfrmPreview::SheetLayer() const {
    return dynamic_cast<TGIS_LayerVector*>(viewer_->Get(TessarLayerName));
}

// ---- loading ---------------------------------------------------------------------------------------

TSheetLayer* TfrmPreview::CreateSheetLayer(const TGIS_Extent& extent, bool geographic) {
    auto owned = std::make_unique<TSheetLayer>();
    TSheetLayer* layer = owned.get();
    layer->Name = TessarLayerName;
    TGIS_ParamsArea& area = layer->GetParams()->Area();
    area.SetOutlinePattern(0);
    area.SetOutlineColor(0);
    area.SetOutlineWidth(-2);
    area.SetPattern(1);
    viewer_->Add(layer);
    owned.release();

    layer->Units.SetCode(geographic ? 20 : 2);
    viewer_->Editor()->ShowTracking = false;
    layer->AddSheetFields();
    layer->SetExtent(extent);

    TGIS_ParamsLabel& label = layer->GetParams()->Labels();
    label.SetPosition(gisLabelMiddleCenter);
    label.SetField("TFH");
    label.SetWidth(1500);
    label.SetPattern(1);
    label.SetOutlinePattern(1);
    label.SetColor(0x010101);
    label.Font().SetColor(TColor(0x010101));
    label.Font().SetSize(9);
    label.Font().SetStyle(fsBold);
    viewer_->FullExtent();
    return layer;
}

void TfrmPreview::ShowSheetCount() {
    if (TGIS_LayerVector* layer = SheetLayer())
        Pane(6)->SetCaption(Format("共%d个图幅", {int(layer->Shapes.size())}));
}

void TfrmPreview::LoadTessarols(TStandardTessarols sheets, bool geographic) {
    // Columns without sheets have no corners to measure.
    std::vector<const std::vector<TStandardTessarol>*> columns;
    for (const auto& column : sheets)
        if (!column.empty()) columns.push_back(&column);
    if (columns.empty()) return;
    IsGeographic = geographic;

    struct Edges {
        double w, s, e, n;
    };
    auto edges = [](const TStandardTessarol& t) {
        return Edges{DmsToDegree(t.West), DmsToDegree(t.South), DmsToDegree(t.East), DmsToDegree(t.North)};
    };
    TGIS_Extent initial;
    if (columns.front()->size() > 1) {
        const TStandardTessarol& sw = columns.front()->back();
        const TStandardTessarol& ne = columns.back()->front();
        if (geographic) {
            initial = {edges(sw).w, edges(sw).s, edges(ne).e, edges(ne).n};
        } else {
            initial = {sw.LB.X - 2 * (sw.RB.X - sw.LB.X), sw.LB.Y - 2 * (sw.LT.Y - sw.LB.Y),
                       ne.RT.X + 2 * (ne.RT.X - ne.LT.X), ne.RT.Y + 2 * (ne.RT.Y - ne.RB.Y)};
        }
    } else {
        const TStandardTessarol& first = columns.front()->front();
        ExtentBuilder b;
        for (const auto* column : columns) {
            const TStandardTessarol& t = column->front();
            if (geographic) {
                b.Add(edges(t).w, edges(t).s);
                b.Add(edges(t).e, edges(t).n);
            } else {
                for (const TPlanePoint* p : {&t.LT, &t.RT, &t.RB, &t.LB}) b.Add(p->X, p->Y);
            }
        }
        initial = b.e;
        if (geographic) {
            const Edges f = edges(first);
            const double dx = 2 * (f.e - f.w), dy = 2 * (f.n - f.s);
            initial = {initial.XMin - dx, initial.YMin - dy, initial.XMax + dx, initial.YMax + dy};
        } else {
            initial = {initial.XMin - 2 * (first.RB.X - first.LB.X), initial.YMin - 2 * (first.LT.Y - first.LB.Y),
                       initial.XMax + 2 * (first.RT.X - first.LT.X), initial.YMax + 2 * (first.RT.Y - first.RB.Y)};
        }
    }

    TSheetLayer* layer = CreateSheetLayer(initial, geographic);
    layer->SetSheets(std::move(sheets));
    for (const auto& column : layer->StandardSheets())
        for (const TStandardTessarol& t : column) {
            if (geographic) {
                const Edges g = edges(t);
                layer->AddSheet({{g.w, g.n}, {g.e, g.n}, {g.e, g.s}, {g.w, g.s}});
            } else {
                layer->AddSheet({{t.LT.X, t.LT.Y}, {t.RT.X, t.RT.Y}, {t.RB.X, t.RB.Y}, {t.LB.X, t.LB.Y}});
            }
        }
    ShowSheetCount();
    viewer_->Update();
}

void TfrmPreview::LoadCustomTessarols(TCustomTessarols sheets) {
    const TCustomTessarol* first = nullptr;
    ExtentBuilder b;
    // The view covers every sheet of the grid, with two sheet sizes of the first sheet around.
    for (const auto& row : sheets)
        for (const TCustomTessarol& t : row) {
            if (!first) first = &t;
            b.Add(t.MinX, t.MinY);
            b.Add(t.MaxX, t.MaxY);
        }
    if (!first) return;
    const double dx = 2 * (first->MaxX - first->MinX), dy = 2 * (first->MaxY - first->MinY);
    TSheetLayer* layer = CreateSheetLayer({b.e.XMin - dx, b.e.YMin - dy, b.e.XMax + dx, b.e.YMax + dy}, false);
    layer->SetSheets(std::move(sheets));
    for (const auto& row : layer->CustomSheets())
        for (const TCustomTessarol& t : row)
            layer->AddSheet({{t.MinX, t.MaxY}, {t.MaxX, t.MaxY}, {t.MaxX, t.MinY}, {t.MinX, t.MinY}});
    ShowSheetCount();
    viewer_->Update();
}

// ---- tools -----------------------------------------------------------------------------------------

void TfrmPreview::BtnInternetClick(TObject*) { viewer_->FullExtent(); }

void TfrmPreview::BtnZoomInClick(TObject*) {
    viewer_->SetMode(gisZoom);
    ZoomOut = false;
}

void TfrmPreview::BtnZoomOutClick(TObject*) {
    viewer_->SetMode(gisZoom);
    ZoomOut = true;
}

void TfrmPreview::VtToolButton1Click(TObject*) { viewer_->SetMode(gisDrag); }
void TfrmPreview::BtnInformationClick(TObject*) { viewer_->SetMode(gisSelect); }
void TfrmPreview::BtnExitClick(TObject*) { Close(); }

void TfrmPreview::GIS_ViewerWnd1MouseMove(TObject*, TShiftState, int x, int y) {
    if (viewer_->IsEmpty()) return;
    const TGIS_Point p = viewer_->ScreenToMap(TPoint(x, y));
    Pane(2)->SetCaption(Format("%.5f", {p.X}));
    Pane(4)->SetCaption(Format("%.5f", {p.Y}));
}

void TfrmPreview::GIS_ViewerWnd1MouseUp(TObject*, TMouseButton, TShiftState, int x, int y) {
    if (viewer_->IsEmpty()) return;
    switch (viewer_->Mode()) {
    case gisZoom: {
        // A band has already zoomed the window to itself; only a plain click steps the zoom.
        const int least = viewer_->TwipsToPixels(viewer_->MinZoomSize());
        const TPoint start = viewer_->MouseStart;
        if (std::abs(x - start.X) >= least && std::abs(y - start.Y) >= least) break;
        viewer_->SetZoom(ZoomOut ? viewer_->Zoom() / 2 : viewer_->Zoom() * 2);
        break;
    }
    case gisSelect: IdentifySheet(x, y); break;
    default: break;
    }
}

// ---- picking and finding ---------------------------------------------------------------------------

TPoint InformationDialogPlace(const TPoint& se, const TPoint& ne, const TPoint& nw, int screenWidth,
                              int screenHeight, int bar) {
    const bool right = screenWidth - se.X > 412, below = screenHeight - se.Y > 350;
    const int left = right ? se.X : nw.X - 412;
    const int top = below ? se.Y + bar + 18 : (right ? ne.Y : nw.Y) + bar + 18 - 326;
    return TPoint(left, top);
}

void TfrmPreview::IdentifySheet(int x, int y) {
    TGIS_LayerVector* layer = SheetLayer();
    if (!layer || viewer_->IsEmpty()) return;
    // The sheet layer is asked itself: a polygon of an added layer would tie with the sheet under the point.
    const double tolerance = 5 / viewer_->Zoom();
    const TGIS_Point p = viewer_->ScreenToMap(TPoint(x, y));
    double distance = 0;
    int part = 0;
    TGIS_Point nearest;
    TGIS_Shape* shape = layer->LocateEx(p, tolerance, -1, distance, part, nearest);
    if (!shape) return;

    TGIS_Editor* editor = viewer_->Editor();
    editor->StartEdit(shape, part);
    struct EndEdit {
        TGIS_Editor* editor;
        TVtStatusPane* pane;
        ~EndEdit() {
            editor->EndEdit();
            pane->SetCaption("");
        }
    } end{editor, Pane(5)};

    TStandardTessarol rec;
    rec.SheetNo = VarToStr(shape->GetField("TFH"));
    rec.West = DegreeToDms(Number(shape, "LB_L"));
    rec.South = DegreeToDms(Number(shape, "LB_B"));
    rec.East = DegreeToDms(Number(shape, "RT_L"));
    rec.North = DegreeToDms(Number(shape, "RT_B"));
    rec.LT = {Number(shape, "LT_X"), Number(shape, "LT_Y")};
    rec.RT = {Number(shape, "RT_X"), Number(shape, "RT_Y")};
    rec.RB = {Number(shape, "RB_X"), Number(shape, "RB_Y")};
    rec.LB = {Number(shape, "LB_X"), Number(shape, "LB_Y")};

    const double area = IsGeographic ? PolygonArea({Xy(rec.LT), Xy(rec.RT), Xy(rec.RB), Xy(rec.LB)}) : shape->Area();
    Pane(5)->SetCaption("面积：" + Format("%.5f平方公里", {area / 1000000}));

    TPoint se, ne, nw;
    if (IsGeographic) {
        se = viewer_->MapToScreen({Number(shape, "RT_L"), Number(shape, "LB_B")});
        ne = viewer_->MapToScreen({Number(shape, "RT_L"), Number(shape, "RT_B")});
        nw = viewer_->MapToScreen({Number(shape, "LB_L"), Number(shape, "RT_B")});
    } else {
        se = viewer_->MapToScreen({rec.RB.X, rec.RB.Y});
        ne = viewer_->MapToScreen({rec.RT.X, rec.RT.Y});
        nw = viewer_->MapToScreen({rec.LT.X, rec.LT.Y});
    }
    auto* bar = dynamic_cast<TControl*>(FindComponent("VtToolbar1"));
    const TPoint at = InformationDialogPlace(se, ne, nw, Screen->Width(), Screen->Height(), bar->Height());
    ShowTFInformation(rec, at.X, at.Y);
}

void TfrmPreview::VtToolButton2Click(TObject*) {
    if (viewer_->IsEmpty()) return;
    std::string text;
    if (!InputString("查找", "请输入要查找的图幅号", text)) return;
    Application->ProcessMessages();
    FindSheet(text);
}

void TfrmPreview::FindSheet(const std::string& text) {
    TGIS_Shape* match = nullptr;
    // Without the sheet layer (all layers cleared, others added) nothing can match.
    if (TGIS_LayerVector* layer = SheetLayer())
        for (const auto& shape : layer->Shapes)
            if (!shape->Deleted && AnsiPos(text, VarToStr(shape->GetField("TFH"))) != std::string::npos) {
                match = shape.get();
                break;
            }
    if (!match) {
        ShowInfoBox(Format("没有找到图幅号为“%s”的数据！", {text}));
        return;
    }
    const TGIS_Extent e = match->GetExtent();
    const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
    viewer_->SetVisibleExtent({e.XMin - 2 * w, e.YMin - 2 * h, e.XMax + 2 * w, e.YMax + 2 * h});
    Application->ProcessMessages();
    match->Flash();
}

// ---- layers ----------------------------------------------------------------------------------------

std::string MakeLayerName(const std::string& base, const TGIS_Viewer& viewer) {
    int n = 1;
    for (int i = 0; i < viewer.LayerCount(); ++i) {
        const std::string& name = viewer.Layer(i)->Name;
        if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0) continue;
        int k = 0;
        if (TryStrToInt(name.substr(base.size() + 1), k) && k < std::numeric_limits<int>::max() && k + 1 > n)
            n = k + 1;
    }
    // The viewer tells layer names apart without case: a name it already holds in another case would be
    // refused, and the file not added.
    while (viewer.Get(base + "_" + std::to_string(n)) && n < std::numeric_limits<int>::max()) ++n;
    return base + "_" + std::to_string(n);
}

void TfrmPreview::BtnOpenClick(TObject*) {
    auto* dialog = dynamic_cast<TOpenDialog*>(FindComponent("OpenDialog1"));
    if (!dialog->Execute()) return;
    AddLayers(dialog->Files(), dialog->FilterIndex());
}

void TfrmPreview::AddLayers(const std::vector<std::string>& files, int filterIndex) {
    std::minstd_rand random(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    auto colour = [&random] {
        const uint32_t r = random() % 256, g = random() % 256, b = random() % 256;
        return r * 65536 + g * 256 + b;
    };
    bool added = false;
    try {
        for (const std::string& file : files) {
            std::unique_ptr<TGIS_LayerVector> layer = CreateMapFileLayer(file, filterIndex);
            layer->Path = file;
            layer->Name = MakeLayerName(WithoutExtension(file), *viewer_);
            // A layer the viewer refuses stays ours, and goes here with its open files.
            viewer_->Add(layer.get());
            TGIS_LayerVector* l = layer.release();
            added = true;
            TGIS_ParamsSectionVector* params = l->GetParams();
            const uint32_t c1 = colour(), c2 = colour(), c3 = colour();
            params->Marker().SetColor(c1);
            params->Marker().SetOutlineColor(params->Marker().Color());
            params->Line().SetColor(c2);
            params->Line().SetWidth(-2);
            params->Area().SetOutlinePattern(0);
            params->Area().SetOutlineColor(c3);
            params->Area().SetOutlineWidth(-2);
            params->Area().SetPattern(0);
        }
    } catch (...) {
        if (added) viewer_->FullExtent();
        throw;
    }
    viewer_->FullExtent();
}

void TfrmPreview::BtnDeleteClick(TObject*) {
    if (!ShowConfirmBox("是否真的删除所有图层？")) return;
    viewer_->Close();
    viewer_->Invalidate();
}

std::unique_ptr<TGIS_LayerVector> CreateMapFileLayer(const std::string& file, int filterIndex) {
    // A file shown under "all files", or typed in, is what its name says, whatever filter was chosen.
    const std::string ext = UpperCase(ExtractFileExt(file));
    if (ext == ".SHP") filterIndex = 1;
    else if (ext == ".TAB") filterIndex = 2;
    else if (ext == ".MIF") filterIndex = 3;
    else if (ext == ".DGN") filterIndex = 4;
    switch (filterIndex) {
    case 1: return std::make_unique<TGIS_LayerSHP>();
    case 2: return std::make_unique<TGIS_LayerTAB>();
    case 3: return std::make_unique<TGIS_LayerMIF>();
    default: return std::make_unique<TGIS_LayerDGN>();
    }
}

void RegisterPreviewClasses() {
    RegisterViewerClasses();
    RegisterClass(TfrmPreview::StaticClass());
}
