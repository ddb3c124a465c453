#include "gis/layers/GisViewerWnd.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gis/layers/GisEditor.h"
#include "gis/layers/GisLabelsArea.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

namespace {

const TEnumInfo ScrollStyleIdents{{"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
const TEnumInfo ViewerModeIdents{{"gisSelect", "gisDrag", "gisZoom", "gisEdit", "gisUserDefined"}};

// The cursor of each mode when its own property is 0.
constexpr TCursor kModeCursor[] = {crGisHandPoint, crGisHandGrab, crGisHandZoom, crGisHandEdit, crDefault};

// Scroll bars move over 0..10000 whatever the size of the map.
constexpr int kScrollSteps = 10000;

// The program's four cursors, drawn here: '#' black, '.' white.
void RegisterModeCursors() {
    static const bool done = [] {
        RegisterCursorResource("HANDGRAB", {
            "                ",
            "                ",
            "                ",
            "    ## ## ##    ",
            "   #..#..#..##  ",
            "   #..#..#..#.# ",
            "  ##.........#  ",
            " #.#.........#  ",
            " #...........#  ",
            "  #..........#  ",
            "  #.........#   ",
            "   #........#   ",
            "    #......#    ",
            "    #......#    ",
            "    ########    ",
            "                ",
        }, 8, 8);
        RegisterCursorResource("HANDPNT", {
            "     ##         ",
            "    #..#        ",
            "    #..#        ",
            "    #..#        ",
            "    #..###      ",
            "    #..#..###   ",
            " ## #..#..#..## ",
            "#..##........#.#",
            "#...#..........#",
            " #.............#",
            "  #............#",
            "  #...........# ",
            "   #..........# ",
            "    #........#  ",
            "     #.......#  ",
            "     #########  ",
        }, 5, 0);
        RegisterCursorResource("HANDZOOM", {
            "    ####        ",
            "  ##....##      ",
            " #........#     ",
            " #........#     ",
            "#..........#    ",
            "#..........#    ",
            "#..........#    ",
            "#..........#    ",
            " #........#     ",
            " #........##    ",
            "  ##....######  ",
            "    ####  ##### ",
            "           #####",
            "            ####",
            "             ## ",
            "                ",
        }, 5, 5);
        RegisterCursorResource("HANDEDIT", {
            "#               ",
            "##              ",
            "#.#             ",
            " #.#            ",
            "  #.#           ",
            "   #.#          ",
            "    #.#         ",
            "     #.#        ",
            "      #.#       ",
            "       #.#      ",
            "        #.#     ",
            "         #.#    ",
            "          #.#   ",
            "           ###  ",
            "            ##  ",
            "                ",
        }, 0, 0);
        return true;
    }();
    (void)done;
}

// A published integer field of the viewer.
TPropInfo FieldProp(const std::string& name, int32_t TGIS_Viewer::*field) {
    TPropInfo p;
    p.name = name;
    p.getOrd = [field](const TObject* o) { return int64_t(static_cast<const TGIS_Viewer*>(o)->*field); };
    p.setOrd = [field](TObject* o, int64_t v) { static_cast<TGIS_Viewer*>(o)->*field = int32_t(v); };
    return p;
}

int ClampToInt(double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); }

// Milliseconds from `from` to `now` on a clock that wraps below 2^31 - 1.
int64_t TicksSince(int32_t from, int32_t now) {
    int64_t d = int64_t(now) - from;
    if (d < 0) d += 0x7FFFFFFF;
    return d;
}

}  // namespace

const TClassInfo& TGIS_ViewerWnd::StaticClass() {
    static const TClassInfo ci = [] {
        using W = TGIS_ViewerWnd;
        TClassInfo c{"TGIS_ViewerWnd", &TGIS_Viewer::StaticClass(), Creator<W>(), {}, {}};
        TPropInfo border = *TWinControl::StaticClass().FindProp("BorderStyle");
        border.defaultOrd = bsSingle;
        c.props = {
            border,
            OrdProp<W, TScrollStyle>("ScrollBars", &W::ScrollBars, &W::SetScrollBars, ssBoth, &ScrollStyleIdents),
            OrdProp<W, TGIS_ViewerMode>("Mode", &W::Mode, &W::SetMode, gisSelect, &ViewerModeIdents),
            OrdProp<W, TCursor>("CursorForSelect", &W::CursorForSelect, &W::SetCursorForSelect, 0),
            OrdProp<W, TCursor>("CursorForDrag", &W::CursorForDrag, &W::SetCursorForDrag, 0),
            OrdProp<W, TCursor>("CursorForZoom", &W::CursorForZoom, &W::SetCursorForZoom, 0),
            OrdProp<W, TCursor>("CursorForEdit", &W::CursorForEdit, &W::SetCursorForEdit, 0),
            OrdProp<W, int>("MinZoomSize", &W::MinZoomSize, &W::SetMinZoomSize, -5),
            BoolProp<W>("AutoCenter", &W::AutoCenter, &W::SetAutoCenter, 1),
            // The viewer's own.
            BoolProp<TGIS_Viewer>("CachedPaint", &TGIS_Viewer::CachedPaint, &TGIS_Viewer::SetCachedPaint, 1),
            BoolProp<TGIS_Viewer>("IncrementalPaint", &TGIS_Viewer::IncrementalPaint,
                                  &TGIS_Viewer::SetIncrementalPaint, 1),
            BoolProp<TGIS_Viewer>("FullPaint", &TGIS_Viewer::FullPaint, &TGIS_Viewer::SetFullPaint, 1),
            FieldProp("CodePage", &TGIS_Viewer::CodePage),
            FieldProp("OutCodePage", &TGIS_Viewer::OutCodePage),
            FieldProp("CharSet", &TGIS_Viewer::CharSet),
            EventProp("OnExtentChange", &TGIS_Viewer::OnExtentChange),
            EventProp("OnZoomChange", &TGIS_Viewer::OnZoomChange),
        };
        // Kept by the editor, which is no component of its own.
        TPropInfo editorChange;
        editorChange.name = "OnEditorChange";
        editorChange.kind = tkMethod;
        editorChange.setMethod = [](TObject* o, const std::any& fn) {
            const auto* f = std::any_cast<TNotifyEvent>(&fn);
            if (!f) throw EPropertyError("Invalid property value");
            static_cast<W*>(o)->Editor()->OnChange = *f;
        };
        c.props.push_back(editorChange);
        return c;
    }();
    return ci;
}

void RegisterViewerClasses() {
    RegisterClass(TGIS_ViewerWnd::StaticClass());
    RegisterPropertyReader(TGIS_ViewerWnd::StaticClass(), "Editor.ShowFast", [](TObject* o, const TFormValue& v) {
        if (!v.IsBoolean()) throw EFormResourceError("True or False expected");
        static_cast<TGIS_ViewerWnd*>(o)->Editor()->ShowFast = v.IsTrue();
    });
}

TGIS_ViewerWnd::TGIS_ViewerWnd(TComponent* owner) : TGIS_Viewer(owner), TickCount(GisTickCount) {
    SetBorderStyle(bsSingle);
    SetCtl3D(true);
    SetBounds(Left(), Top(), 100, 100);
    SetCachedPaint(true);
    SetIncrementalPaint(true);
    SetColor(clWindow);
    RegisterModeCursors();
    for (auto [number, name] : {std::pair{crGisHandGrab, "HANDGRAB"}, std::pair{crGisHandPoint, "HANDPNT"},
                                std::pair{crGisHandZoom, "HANDZOOM"}, std::pair{crGisHandEdit, "HANDEDIT"}})
        Screen->SetCursors(number, LoadCursor(HInstance, name));
    repaintTimer_ = std::make_unique<TTimer>(nullptr);
    repaintTimer_->SetEnabled(false);
    repaintTimer_->SetInterval(200);
    repaintTimer_->SetOnTimer([this](TObject*) { RepaintTimerTick(); });
}

TGIS_ViewerWnd::~TGIS_ViewerWnd() { repaintTimer_.reset(); }

void TGIS_ViewerWnd::SetMode(TGIS_ViewerMode m) {
    mode_ = m;
    const int k = m & 0x7F;
    if (k <= gisUserDefined) {
        const TCursor own = k < gisUserDefined ? modeCursors_[k] : TCursor(0);
        SetCursor(own != 0 ? own : kModeCursor[k]);
    }
    Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(this), MAKELPARAM(HTCLIENT, 0));
}

void TGIS_ViewerWnd::SetModeCursor(TGIS_ViewerMode m, TCursor c) {
    modeCursors_[m] = c;
    if (mode_ == m) SetMode(m);
}

void TGIS_ViewerWnd::SetScrollBars(TScrollStyle s) {
    if (s == scrollBars_) return;
    scrollBars_ = s;
    RecreateWnd();
}

void TGIS_ViewerWnd::SetTilePicture(TBitmap* b) {
    TGIS_Viewer::SetTilePicture(b);
    Invalidate();
}

void TGIS_ViewerWnd::CreateParams(TCreateParams& p) {
    TGIS_Viewer::CreateParams(p);
    p.Style |= WS_TABSTOP;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) p.Style |= WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) p.Style |= WS_HSCROLL;
}

void TGIS_ViewerWnd::Invalidate() {
    if (LabelsArea()) LabelsArea()->Reset();
    TGIS_Viewer::Invalidate();
}

void TGIS_ViewerWnd::FullExtent() {
    TGIS_Viewer::FullExtent();
    RepaintPending = IncrementalPaint();
    Invalidate();
    if (Zoom() > 0) LastExtent = GetVisibleExtent();
}

void TGIS_ViewerWnd::Print() {
    const bool wasVisible = Visible();
    SetVisible(false);
    try {
        TGIS_Viewer::Print();
    } catch (...) {
        SetVisible(wasVisible);
        throw;
    }
    SetVisible(wasVisible);
}

void TGIS_ViewerWnd::Paint() {
    if (OutputMode() == gisOutputPrinter || Width() <= 3 || Height() <= 3) return;
    UpdateScrollBars();
    if (RepaintPending) {
        DrawDirect();
        repaintTimer_->SetEnabled(true);
        LastPaintTick = TickCount();
        RepaintPending = false;
    } else {
        Draw();
    }
}

void TGIS_ViewerWnd::RepaintTimerTick() {
    if (TicksSince(LastPaintTick, TickCount()) < 40 || OutputMode() == gisOutputPrinter) return;
    repaintTimer_->SetEnabled(false);
    LastPaintTick = TickCount();
    if (LabelsArea()) LabelsArea()->Reset();
    Paint();
    ValidateClient(nullptr);
}

void TGIS_ViewerWnd::ExtentChanged() {
    if (!(Zoom() > 0) || LayerCount() == 0 || GisIsSameExtent(Extent, GisEmptyExtent())) return;
    const TGIS_Point c = ScreenToMap(TPoint(DeviceWidth() / 2, DeviceHeight() / 2));
    int dx = ClampToInt(std::trunc((Center().X - c.X) * Zoom()));
    int dy = ClampToInt(std::trunc(-(Center().Y - c.Y) * Zoom()));
    if (dx == 0 && dy == 0) return;
    MoveViewport(dx, dy);
    LastExtent = GetVisibleExtent();
    RepaintPending = IncrementalPaint();
    Invalidate();
    UpdateScrollBars();
}

void TGIS_ViewerWnd::ScrollByPixels(int dx, int dy) {
    RepaintPending = IncrementalPaint();
    MoveViewport(dx, dy);
    if (!FullPaint() || RepaintPending) {
        const TRect clip = Canvas()->ClipRect();
        ScrollWindowEx(Handle(), -dx, -dy, nullptr, &clip, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    }
    SetCenter(GisExtentCenter(GetVisibleExtent()));
    LastExtent = GetVisibleExtent();
    if (FullPaint() && !RepaintPending) Invalidate();
}

double TGIS_ViewerWnd::ScrollRange(int bar) {
    if (bar == SB_HORZ) return std::abs(Extent.XMax - Extent.XMin) * Zoom() - DeviceWidth() + 2.0 * Margin.X;
    return std::abs(Extent.YMax - Extent.YMin) * Zoom() - DeviceHeight() + 2.0 * Margin.Y;
}

void TGIS_ViewerWnd::UpdateScrollBar(int bar) {
    int range = -1;
    if (LayerCount() > 0 && Zoom() != 0) {
        const double v = ScrollRange(bar);
        if (v >= 0 && v < 1073741824.0) range = int(v);
    }
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = 0;
    si.nMax = 0;
    si.nPage = 1;
    si.nPos = 0;
    if (range > 0) {
        const double delta = bar == SB_HORZ ? Delta.X : Delta.Y;
        const double pos = delta * Zoom() / (range / double(kScrollSteps));
        if (pos <= 2 * kScrollSteps) {
            si.nMax = kScrollSteps;
            si.nPage = 400;
            si.nPos = ClampToInt(std::nearbyint(pos));
        }
    }
    SetScrollInfo(bar, si, true);
}

void TGIS_ViewerWnd::UpdateScrollBars() {
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) UpdateScrollBar(SB_HORZ);
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) UpdateScrollBar(SB_VERT);
}

void TGIS_ViewerWnd::ScrollMessage(int bar, int code, int pos) {
    if (IsEmpty()) return;
    SCROLLINFO si;
    si.fMask = SIF_POS;
    GetScrollInfo(bar, si);
    const double cur = si.nPos;
    const bool horz = bar == SB_HORZ;
    const double dev = horz ? DeviceWidth() : DeviceHeight();
    // The bar's own step, so that its ends are the ends of the map; a map that fits has nothing to scroll
    // (and no step to divide by).
    const double step = ScrollRange(bar) / kScrollSteps;
    if (!(step > 0)) return;
    double next;
    switch (code) {
    case SB_LINEUP: next = cur - dev / step / 10; break;
    case SB_LINEDOWN: next = cur + dev / step / 10; break;
    case SB_PAGEUP: next = cur - dev / step * 0.9; break;
    case SB_PAGEDOWN: next = cur + dev / step * 0.9; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = pos; break;
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = kScrollSteps; break;
    default: return;
    }
    const int pixels = ClampToInt(std::nearbyint((next - cur) * step));
    if (horz)
        ScrollByPixels(pixels, 0);
    else
        ScrollByPixels(0, pixels);
    if (pos > 0) {
        si.fMask = SIF_POS;
        si.nPos = ClampToInt(std::nearbyint(next));
        SetScrollInfo(bar, si, true);
    }
}

void TGIS_ViewerWnd::SetMouseStart(int x, int y) {
    MouseStart = TPoint(x, y);
    BandCorner = TPoint(-1, -1);
}

void TGIS_ViewerWnd::BeginMouseAction(int x, int y, WPARAM keys) {
    switch (mode_) {
    case gisDrag: {
        const double overY = (Extent.YMax - Extent.YMin) * Zoom() - (DeviceHeight() - 2.0 * Margin.Y);
        const double overX = (Extent.XMax - Extent.XMin) * Zoom() - (DeviceWidth() - 2.0 * Margin.X);
        if (std::nearbyint(overY) > 0 || std::nearbyint(overX) > 0) {
            dragging_ = true;
            SetMouseStart(x, y);
        }
        break;
    }
    case gisZoom:
        zooming_ = true;
        SetMouseStart(x, y);
        break;
    case gisEdit:
        editing_ = true;
        SetMouseStart(x, y);
        Editor()->MouseDown(TPoint(x, y), !(keys & MK_SHIFT));
        break;
    default: break;
    }
}

void TGIS_ViewerWnd::DrawBand(const TPoint& corner, TPenMode mode) {
    TCanvas* c = GetCanvas();
    c->Pen()->SetMode(mode);
    const TPoint path[] = {corner, TPoint(corner.X, MouseStart.Y), MouseStart, TPoint(MouseStart.X, corner.Y),
                           corner};
    c->Polyline(path, 5);
}

void TGIS_ViewerWnd::MouseMoveAction(int x, int y, WPARAM keys) {
    if (!(keys & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON))) dragging_ = zooming_ = editing_ = false;
    if (dragging_ && x >= 0 && x <= DeviceWidth() && y >= 0 && y <= DeviceHeight()) {
        ScrollByPixels(MouseStart.X - x, MouseStart.Y - y);
        SetMouseStart(x, y);
        RepaintPending = IncrementalPaint();
    }
    if (zooming_) {
        TCanvas* c = GetCanvas();
        const TPenMode saved = c->Pen()->Mode();
        c->Brush()->SetColor(clBlack);
        c->Pen()->SetStyle(psDot);
        x = std::max(x, 0);
        y = std::max(y, 0);
        if (x > Width()) x = DeviceWidth() - 1;
        if (y > Height()) y = DeviceHeight() - 1;
        if (BandCorner.X != -1) {
            // Drawn again in the colour it was drawn with, the band is gone.
            c->Pen()->SetColor(BandColor);
            DrawBand(BandCorner, pmXor);
            BandCorner = TPoint(-1, -1);
        }
        const int least = TwipsToPixels(minZoomSize_);
        if (std::abs(MouseStart.X - x) >= least && std::abs(MouseStart.Y - y) >= least) {
            BandColor = TColor(bandRandom_() % 0xFFFFFF);
            c->Pen()->SetColor(BandColor);
            DrawBand(TPoint(x, y), pmXor);
            BandCorner = TPoint(x, y);
        }
        c->Pen()->SetMode(saved);
    }
    if (editing_) Editor()->MouseMove(TPoint(x, y));
}

void TGIS_ViewerWnd::EndMouseAction(int x, int y) {
    switch (mode_) {
    case gisSelect:
        if (autoCenter_) SetCenter(ScreenToMap(TPoint(x, y)));
        break;
    case gisDrag:
        if (dragging_) {
            dragging_ = false;
            SetCenter(ScreenToMap(TPoint(DeviceWidth() / 2, DeviceHeight() / 2)));
        }
        break;
    case gisZoom: {
        if (!zooming_) break;
        zooming_ = false;
        if (BandCorner.X == -1) break;
        TCanvas* c = GetCanvas();
        const TPenMode saved = c->Pen()->Mode();
        DrawBand(BandCorner, pmNot);
        c->Pen()->SetMode(saved);
        const TPoint corner = BandCorner;
        BandCorner = TPoint(-1, -1);
        if (corner.X >= MouseStart.X && corner.Y >= MouseStart.Y) {
            SetVisibleExtent(ScreenToMapRect(TRect(MouseStart.X, MouseStart.Y, corner.X, corner.Y)));
        } else {
            const int dx = corner.X - MouseStart.X, dy = corner.Y - MouseStart.Y;
            const double d1 = std::hypot(dx, dy);
            const double d2 = std::hypot(DeviceWidth(), DeviceHeight());
            const int left = std::min(corner.X, MouseStart.X), top = std::min(corner.Y, MouseStart.Y);
            const TRect band(left, top, left + std::abs(dx), top + std::abs(dy));
            SetCenter(GisExtentCenter(ScreenToMapRect(band)));
            SetZoom(d1 / d2 * Zoom());
        }
        break;
    }
    case gisEdit:
        if (editing_) {
            Editor()->MouseUp(TPoint(x, y));
            if (autoCenter_) SetCenter(ScreenToMap(TPoint(x, y)));
            editing_ = false;
        }
        break;
    default: break;
    }
}

void TGIS_ViewerWnd::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (IsEmpty()) return;
        TGIS_Viewer::Dispatch(m);
        BeginMouseAction(m.XPos(), m.YPos(), m.WParam);
        return;
    case WM_RBUTTONDOWN:
        if (IsEmpty()) return;
        TGIS_Viewer::Dispatch(m);
        if (PopupMenu()) {
            const TPoint s = ClientToScreen(TPoint(m.XPos(), m.YPos()));
            popupOnDown_ = true;
            PopupMenu()->SetPopupComponent(this);
            PopupMenu()->Popup(s.X, s.Y);
        } else {
            BeginMouseAction(m.XPos(), m.YPos(), m.WParam);
        }
        return;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        if (IsEmpty()) return;
        EndMouseAction(m.XPos(), m.YPos());
        if (m.Msg == WM_RBUTTONUP && popupOnDown_) {
            // The menu came with the press; the release must not bring it a second time.
            popupOnDown_ = false;
            MouseUp(mbRight, KeysToShiftState(m.WParam), m.XPos(), m.YPos());
            return;
        }
        TGIS_Viewer::Dispatch(m);
        return;
    case WM_MOUSEMOVE:
        if (IsEmpty()) return;
        MouseMoveAction(m.XPos(), m.YPos(), m.WParam);
        TGIS_Viewer::Dispatch(m);
        return;
    case WM_HSCROLL:
    case WM_VSCROLL:
        ScrollMessage(m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(m.WParam), HIWORD(m.WParam));
        m.Result = 0;
        return;
    case WM_SIZE:
        RepaintPending = IncrementalPaint();
        if (OnResize) OnResize(this);
        // Before the first full extent there is no view to keep.
        if (!GisIsSameExtent(LastExtent, GisEmptyExtent()) && !IsEmpty()) SetVisibleExtent(LastExtent);
        m.Result = 1;
        Invalidate();
        return;
    case WM_ERASEBKGND:
        RepaintPending = IncrementalPaint();
        m.Result = 1;
        return;
    case CM_CTL3DCHANGED:
        TGIS_Viewer::Dispatch(m);
        RecreateWnd();
        return;
    default: TGIS_Viewer::Dispatch(m);
    }
}
