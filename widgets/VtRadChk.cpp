#include "widgets/VtRadChk.h"

#include <algorithm>
#include <map>

#include "platform/ui/Forms.h"
#include "platform/ui/Themes.h"
#include "widgets/VtGrafx.h"

// ---- the colour-keyed pictures of the hot-track look ----

namespace {
// One character a key colour; 'o' is the transparent ground (olive).
const std::map<char, TColor> KeyPalette{{'o', clOlive}, {'W', clWhite},  {'K', clBlack},   {'G', clGreen},
                                        {'g', clGray},  {'P', clPurple}, {'M', clMaroon},  {'L', clLime},
                                        {'R', clRed},   {'F', clFuchsia}, {'Y', clYellow}, {'N', clNavy},
                                        {'B', clBlue},  {'A', clAqua}};

const std::vector<std::string> RadioUnchecked{
    "ooooAAAAAoooo", "ooAGKKKKKGAoo", "oAGKggMggKGAo", "oGKgMRRRMPKGo", "AKgMRYYYFLPKA",
    "AKgRYYYYYFPKA", "AKMRYYWYYFLKA", "AKgRYYYYYFPKA", "AKgMFYYYFLPKA", "oGKPLFFFLPKGo",
    "oAGKPPLPPKGAo", "ooAGKKKKKGAoo", "ooooAAAAAoooo"};
const std::vector<std::string> RadioChecked{
    "ooooAAAAAoooo", "ooAGKKKKKGAoo", "oAGKggMggKGAo", "oGKgMRRRMPKGo", "AKgMRBBBFLPKA",
    "AKgRBNNNBFPKA", "AKMRBNNNBFLKA", "AKgRBNNNBFPKA", "AKgMFBBBFLPKA", "oGKPLFFFLPKGo",
    "oAGKPPLPPKGAo", "ooAGKKKKKGAoo", "ooooAAAAAoooo"};
const std::vector<std::string> CheckUnchecked{
    "ggggggggggggg", "gRRRRRRRRRRRg", "gRWWWWWWWWWFg", "gRWWWWWWWWWFg", "gRWWWWWWWWWFg",
    "gRWWWWWWWWWFg", "gRWWWWWWWWWFg", "gRWWWWWWWWWFg", "gRWWWWWWWWWFg", "gRWWWWWWWWWFg",
    "gRWWWWWWWWWFg", "gFFFFFFFFFFFg", "ggggggggggggg"};
// The mark of a checked box; a grayed box shows it in the frame colour.
std::vector<std::string> Marked(char ink) {
    static const char* mark[] = {"", "", "", "         #", "        ##", "  #    ###", "  ##  ###",
                                 "  ### ###", "   #####", "    ###", "     #", "", ""};
    std::vector<std::string> rows = CheckUnchecked;
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; mark[y][x]; ++x)
            if (mark[y][x] == '#') rows[y][x] = ink;
    return rows;
}

void RegisterKeyedPictures() {
    static const bool done = [] {
        RegisterBitmapResource("VTCOMMON_RADIOBUTTON_UNCHECKED", RadioUnchecked, KeyPalette);
        RegisterBitmapResource("VTCOMMON_RADIOBUTTON_CHECKED", RadioChecked, KeyPalette);
        RegisterBitmapResource("VTCOMMON_CHECKBOX_UNCHECKED", CheckUnchecked, KeyPalette);
        RegisterBitmapResource("VTCOMMON_CHECKBOX_CHECKED", Marked('B'), KeyPalette);
        RegisterBitmapResource("VTCOMMON_CHECKBOX_GRAYED", Marked('g'), KeyPalette);
        return true;
    }();
    (void)done;
}

// Loads a keyed picture into b with each key (RGB) replaced by its computed colour, all at once.
void LoadKeyed(TBitmap* b, const char* name, const std::map<TColor, TColor>& keys) {
    RegisterKeyedPictures();
    TBitmap src;
    if (!LoadBitmapResource(src, name)) return;
    b->SetSize(src.Width(), src.Height());
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            TColor c = src.Canvas()->Pixel(x, y);
            auto it = keys.find(c);
            b->Canvas()->SetPixel(x, y, it == keys.end() ? c : ColorToRGB(it->second));
        }
}

bool IsAccelOf(WPARAM ch, const std::string& caption) { return IsAccel(char(ch), caption); }

const TEnumInfo LeftRightIdents{{"taLeftJustify", "taRightJustify"}};
const TEnumInfo CheckBoxStateIdents{{"cbUnchecked", "cbChecked", "cbGrayed"}};
}  // namespace

void ReplaceColor(TBitmap* b, TColor from, TColor to) {
    from = ColorToRGB(from);
    to = ColorToRGB(to);
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x)
            if (b->Canvas()->Pixel(x, y) == from) b->Canvas()->SetPixel(x, y, to);
}

void LoadCheckBoxGlyph(TBitmap* b, TCheckBoxState s, TColor face, TColor frame, TColor check) {
    static const char* names[] = {"VTCOMMON_CHECKBOX_UNCHECKED", "VTCOMMON_CHECKBOX_CHECKED",
                                  "VTCOMMON_CHECKBOX_GRAYED"};
    LoadKeyed(b, names[std::min(int(s), 2)], {{clWhite, face}, {clRed, face}, {clFuchsia, face}, {clGray, frame},
                                              {clBlue, check}});
}

// ---------------------------------------------------------------- TVtCustomGlyphButton

const TClassInfo& TVtCustomGlyphButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomGlyphButton;
        TClassInfo c{"TVtCustomGlyphButton", &TVtCustomButton::StaticClass(), {}, {}, {}};
        c.props = {OrdProp<C, TAlignment>("Alignment", &C::Alignment, &C::SetAlignment, taRightJustify, &LeftRightIdents),
                   OrdProp<C, TColor>("FrameColor", &C::FrameColor, &C::SetFrameColor, clBtnShadow),
                   BoolProp<C>("UseCustomGlyphs", &C::UseCustomGlyphs, &C::SetUseCustomGlyphs, 0),
                   OrdProp<C, TColor>("TransparentColor", &C::TransparentColor, &C::SetTransparentColor, clOlive),
                   OrdProp<C, TColor>("WinMaskColor", &C::WinMaskColor, &C::SetWinMaskColor, clLime),
                   OrdProp<C, TColor>("DisabledColor", &C::DisabledColor, &C::SetDisabledColor, clBtnFace),
                   BoolProp<C>("TabOnEnter", &C::TabOnEnter, &C::SetTabOnEnter, 0),
                   BoolProp<C>("Transparent", &C::Transparent, &C::SetTransparent, 0),
                   RefProp<C, TVtFrameController>("FrameController", &C::FrameController, &C::SetFrameController)};
        return c;
    }();
    return ci;
}

TVtCustomGlyphButton::TVtCustomGlyphButton(TComponent* owner, int cellCount)
    : TVtCustomButton(owner), cellCount_(cellCount), customGlyphs_(std::make_unique<TBitmap>()),
      background_(std::make_unique<TBitmap>()) {
    SetAlignmentVertical(avTop);
    SetColor(clWindow);
    SetParentColor(true);
}

TVtCustomGlyphButton::~TVtCustomGlyphButton() {
    if (frameController_) frameController_->RemoveControl(this);
}

void TVtCustomGlyphButton::SetAlignment(TAlignment a) {
    if (a == taCenter || a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TVtCustomGlyphButton::SetFrameColor(TColor c) {
    if (c == frameColor_) return;
    frameColor_ = c;
    Invalidate();
}

void TVtCustomGlyphButton::SetCustomGlyphs(const TBitmap* b) {
    if (b && b->Width() > 0 && b->Height() > 0)
        customGlyphs_->Assign(*b);
    else
        customGlyphs_ = std::make_unique<TBitmap>();
    useCustomGlyphs_ = customGlyphs_->Width() > 0;
    GlyphSizeChanged();
}

void TVtCustomGlyphButton::SetUseCustomGlyphs(bool u) {
    if (u == useCustomGlyphs_) return;
    useCustomGlyphs_ = u;
    GlyphSizeChanged();
}

void TVtCustomGlyphButton::GlyphSizeChanged() {
    if (useCustomGlyphs_ && customGlyphs_->Width() > 0) {
        glyphWidth_ = customGlyphs_->Width() / cellCount_;
        glyphHeight_ = customGlyphs_->Height();
    } else {
        glyphWidth_ = glyphHeight_ = 13;
    }
    rebuild_ = true;
    Invalidate();
}

void TVtCustomGlyphButton::SetTransparentColor(TColor c) {
    if (c == transparentColor_) return;
    transparentColor_ = c;
    Invalidate();
}

void TVtCustomGlyphButton::SetWinMaskColor(TColor c) {
    if (c == winMaskColor_) return;
    winMaskColor_ = c;
    Invalidate();
}

void TVtCustomGlyphButton::SetDisabledColor(TColor c) {
    if (c == disabledColor_) return;
    disabledColor_ = c;
    Invalidate();
}

void TVtCustomGlyphButton::SetTransparent(bool t) {
    rebuild_ = true;
    TVtCustomButton::SetTransparent(t);
}

void TVtCustomGlyphButton::SetFrameController(TVtFrameController* c) {
    if (frameController_) frameController_->RemoveControl(this);
    frameController_ = c;
    if (c) {
        c->FreeNotification(this);
        UpdateFrame();
    }
}

void TVtCustomGlyphButton::Notification(TComponent* c, TOperation op) {
    TVtCustomButton::Notification(c, op);
    if (op == opRemove && c == frameController_) frameController_ = nullptr;
}

void TVtCustomGlyphButton::UpdateFrame() {
    if (!frameController_ || !frameController_->FrameVisible()) return;
    frameColor_ = frameController_->FrameColor();
    disabledColor_ = frameController_->DisabledColor();
    Invalidate();
}

TColor TVtCustomGlyphButton::AdjustKeyColor(TColor c) const {
    TColor rgb = ColorToRGB(c);
    if (rgb == ColorToRGB(transparentColor_) || rgb == ColorToRGB(winMaskColor_) || rgb == clGray) return rgb + 1;
    return c;
}

TRect TVtCustomGlyphButton::GlyphRect() const {
    int x = alignment_ == taRightJustify ? 0 : Width() - glyphWidth_;
    int y = AlignmentVertical() == avTop      ? 2
            : AlignmentVertical() == avCenter ? (Height() - glyphHeight_) / 2
                                              : Height() - glyphHeight_ - 2;
    return Bounds(x, y, glyphWidth_, glyphHeight_);
}

void TVtCustomGlyphButton::ExtractGlyph(int index, TBitmap* dest, int width, int height, TBitmap* source) const {
    dest->SetSize(width, height);
    dest->Canvas()->CopyRect(TRect(0, 0, width, height), source->Canvas(),
                             Bounds(index * width, 0, width, height));
}

void TVtCustomGlyphButton::HoverColors(TColor& light, TColor& dark) const {
    HotTrackColors(HotTrackColor(), HotTrackColorType(), light, dark);
}

void TVtCustomGlyphButton::DrawGlyph(TCanvas* c) {
    TRect gr = GlyphRect();
    TBitmap g(glyphWidth_, glyphHeight_);
    PaintGlyphImage(&g);
    TBitmap b(glyphWidth_, glyphHeight_);
    if (Transparent()) {
        b.Canvas()->CopyRect(TRect(0, 0, glyphWidth_, glyphHeight_), c, gr);
        StretchBitmapTransparent(b.Canvas(), TRect(0, 0, glyphWidth_, glyphHeight_), &g,
                                 TRect(0, 0, glyphWidth_, glyphHeight_),
                                 UsingTheme() ? clBtnFace : transparentColor_);
    } else {
        b.Assign(g);
        ReplaceColor(&b, transparentColor_, Color());
    }
    ReplaceColor(&b, winMaskColor_, clWindow);
    ReplaceColor(&b, clGreen, BlendColors(frameColor_, c->Pixel(0, 0), 128));
    c->Draw(gr.Left, gr.Top, &b);
}

void TVtCustomGlyphButton::PaintClassicImage(TBitmap* b, bool radio, TCheckBoxState state) const {
    TCanvas* c = b->Canvas();
    TRect r(0, 0, b->Width(), b->Height());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(transparentColor_);
    c->FillRect(r);
    TRect box = CenterRect(r, 13, 13);
    bool inactive = !Enabled(), pushed = Pressed();
    TColor face = pushed || inactive || state == cbGrayed ? clBtnFace : clWindow;
    TColor ink = inactive || state == cbGrayed ? clBtnShadow : clWindowText;
    if (radio) {
        // Two sunken half rings, the light ones lower right, on the transparent ground.
        c->Pen()->SetStyle(psSolid);
        c->Brush()->SetColor(face);
        c->Pen()->SetColor(face);
        c->Ellipse(TRect(box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1));
        c->Brush()->SetStyle(bsClear);
        auto half = [&](TRect e, TColor ul, TColor lr) {
            c->Pen()->SetColor(ul);
            c->Arc(e.Left, e.Top, e.Right, e.Bottom, e.Right, e.Top, e.Left, e.Bottom);
            c->Pen()->SetColor(lr);
            c->Arc(e.Left, e.Top, e.Right, e.Bottom, e.Left, e.Bottom, e.Right, e.Top);
        };
        half(box, clBtnShadow, clBtnHighlight);
        half(TRect(box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1), cl3DDkShadow, cl3DLight);
        c->Brush()->SetStyle(bsSolid);
        if (state != cbUnchecked) {
            c->Brush()->SetColor(ink);
            c->Pen()->SetColor(ink);
            c->Ellipse(TRect(box.Left + 4, box.Top + 4, box.Left + 9, box.Top + 9));
        }
        return;
    }
    TRect in = DrawBevel(c, box, clBtnShadow, clBtnHighlight, 1, sdAllSides);
    in = DrawBevel(c, in, cl3DDkShadow, cl3DLight, 1, sdAllSides);
    c->Brush()->SetColor(face);
    c->FillRect(in);
    if (state == cbUnchecked) return;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(ink);
    for (int k = 0; k < 3; ++k) {
        c->MoveTo(box.Left + 3, box.Top + 5 + k);
        c->LineTo(box.Left + 5, box.Top + 7 + k);
        c->LineTo(box.Left + 10, box.Top + 2 + k);
    }
}

void TVtCustomGlyphButton::Paint() {
    int w = Width(), h = Height();
    if (w <= 0 || h <= 0) return;
    if (rebuild_ || background_->Width() != w || background_->Height() != h) {
        background_->SetSize(w, h);
        TCanvas* bc = background_->Canvas();
        if (Transparent()) {
            DrawParentBackground(this, bc);
        } else {
            bc->Brush()->SetStyle(bsSolid);
            bc->Brush()->SetColor(Color());
            bc->FillRect(TRect(0, 0, w, h));
        }
        rebuild_ = false;
    }
    TBitmap work(w, h);
    TCanvas* c = work.Canvas();
    c->SetFont(*Font());
    c->Draw(0, 0, background_.get());
    DrawGlyph(c);
    TRect cr(1, 1, w - 1, h - 1);
    bool right = alignment_ == taRightJustify;
    if (right)
        cr.Left += glyphWidth_ + 4;
    else
        cr.Right -= glyphWidth_ + 4;
    DrawCaption(c, cr, DT_EXPANDTABS | DT_WORDBREAK | (right ? DT_LEFT : DT_RIGHT));
    std::string caption = Caption();
    if (Focused() && !caption.empty()) {
        size_t a = caption.find_first_not_of(' '), b = caption.find_last_not_of(' ');
        std::string trimmed = a == std::string::npos ? "" : caption.substr(a, b - a + 1);
        c->SetFont(*Font());
        int fw = IntMin(cr.Width() + 2, c->TextWidth(trimmed) + 3);
        TRect f = UseRightToLeftAlignment() ? TRect(cr.Right - fw, 0, cr.Right, h) : TRect(cr.Left, 0, cr.Left + fw, h);
        DrawFocusBorder(c, f);
    }
    Canvas()->Draw(0, 0, &work);
}

void TVtCustomGlyphButton::BoundsChanged(bool moved, bool sized) {
    TVtCustomButton::BoundsChanged(moved, sized);
    if (sized) rebuild_ = true;
}

void TVtCustomGlyphButton::KeyPress(char& key) {
    if (tabOnEnter_ && key == '\r') {
        key = 0;
        if (TCustomForm* f = GetParentForm(this)) f->SelectNext(this, true, true);
        return;
    }
    TVtCustomButton::KeyPress(key);
}

void TVtCustomGlyphButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_ERASEBKGND: rebuild_ = true; m.Result = 1; return;  // the paint covers everything
    case CM_ENABLEDCHANGED:
    case CM_PARENTCOLORCHANGED:
    case CM_COLORCHANGED: rebuild_ = true; break;
    default: break;
    }
    TVtCustomButton::Dispatch(m);
}

// ---------------------------------------------------------------- TVtRadioButton

const TClassInfo& TVtRadioButton::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtRadioButton;
        TClassInfo c{"TVtRadioButton", &TVtCustomGlyphButton::StaticClass(), Creator<C>(), {}, {}};
        c.props = {BoolProp<C>("Checked", &C::GetChecked, &C::SetChecked, 0)};
        return c;
    }();
    return ci;
}

TVtRadioButton::TVtRadioButton(TComponent* owner) : TVtCustomGlyphButton(owner, 6) { SetTabStop(false); }

void TVtRadioButton::SetChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    SetTabStop(v);
    RepaintButton();
    if (!v) return;
    if (TWinControl* p = Parent())
        for (int i = 0; i < p->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TVtRadioButton*>(p->Controls(i)); r && r != this) r->SetChecked(false);
    if (!IsLoading()) Click();
}

void TVtRadioButton::ClickButton() {
    if (!checked_) SetChecked(true);
}

void TVtRadioButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    mouseDown_ = true;
    TVtCustomGlyphButton::MouseDown(button, shift, x, y);
}

void TVtRadioButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TVtCustomGlyphButton::MouseUp(button, shift, x, y);
    mouseDown_ = false;
}

void TVtRadioButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS:
        TVtCustomGlyphButton::Dispatch(m);
        if (!mouseDown_) SetChecked(true);
        return;
    case CM_DIALOGCHAR:
        if (IsAccelOf(m.WParam, Caption()) && CanFocus()) {
            SetFocus();
            m.Result = 1;
            return;
        }
        break;
    case CM_DIALOGKEY:
        if (m.WParam == VK_DOWN && !(KeyDataToShiftState(m.LParam) & (ssShift | ssCtrl | ssAlt)) && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TVtCustomGlyphButton::Dispatch(m);
}

void TVtRadioButton::PaintGlyphImage(TBitmap* b) {
    bool pressed = Pressed();
    if (UseCustomGlyphs()) {
        int cell = Enabled() ? (pressed ? 2 : 0) + (checked_ ? 1 : 0) : 4 + (checked_ ? 1 : 0);
        ExtractGlyph(cell, b, GlyphWidth(), GlyphHeight(), CustomGlyphs());
        return;
    }
    if (UsingTheme()) {
        TThemedState st = !Enabled() ? tsDisabled : pressed ? tsPressed : MouseOver() ? tsHot : tsNormal;
        b->Canvas()->Brush()->SetColor(Color());
        b->Canvas()->FillRect(TRect(0, 0, b->Width(), b->Height()));
        ThemeServices()->DrawElement(
            b->Canvas(), ThemeServices()->GetElementDetails(tpRadioButton, st, checked_ ? tcChecked : tcUnchecked),
            TRect(0, 0, b->Width(), b->Height()));
        return;
    }
    if (!HotTrack()) {
        PaintClassicImage(b, true, checked_ ? cbChecked : cbUnchecked);
        return;
    }
    TColor fc = FrameColor(), hc = HighlightColor();
    bool high = IsHighColorDisplay();
    std::map<TColor, TColor> k{{clWhite, clWindow}, {clBlack, AdjustKeyColor(fc)}, {clGreen, LighterColor(fc, 10)},
                               {clGray, BlendColors(fc, clWindow, 128)},   {clPurple, BlendColors(fc, clWindow, 128)},
                               {clMaroon, BlendColors(fc, clWindow, 80)},  {clLime, BlendColors(fc, clWindow, 80)},
                               {clRed, clWindow},  {clFuchsia, clWindow},  {clYellow, clWindow},
                               {clNavy, AdjustKeyColor(hc)}, {clBlue, BlendColors(hc, clWindow, 153)},
                               {clAqua, clGreen}};
    if (!high) {
        for (TColor key : {clGray, clPurple, clMaroon, clLime, clRed, clFuchsia, clYellow}) k[key] = clWindow;
        k[clGreen] = k[clAqua] = AdjustKeyColor(fc);
    }
    if (!Enabled()) {
        TColor d = DisabledColor();
        k[clWhite] = k[clRed] = k[clFuchsia] = k[clYellow] = d;
        k[clGray] = k[clPurple] = BlendColors(fc, d, 128);
        k[clMaroon] = k[clLime] = BlendColors(fc, d, 80);
        k[clNavy] = clBtnShadow;
        k[clBlue] = BlendColors(hc, d, 128);
    } else if (high && pressed) {
        TColor f = DarkerColor(clWindow, 20);
        k[clWhite] = k[clRed] = k[clFuchsia] = k[clYellow] = f;
        k[clGray] = k[clPurple] = BlendColors(fc, f, 128);
        k[clMaroon] = k[clLime] = BlendColors(fc, f, 80);
        k[clBlue] = BlendColors(hc, f, 153);
    } else if (high && MouseOver()) {
        TColor light, dark;
        HoverColors(light, dark);
        k[clGray] = BlendColors(fc, dark, 128);
        k[clPurple] = BlendColors(fc, light, 128);
        k[clMaroon] = BlendColors(fc, dark, 80);
        k[clLime] = BlendColors(fc, light, 80);
        k[clRed] = dark;
        k[clFuchsia] = light;
        k[clYellow] = BlendColors(light, clWindow, 128);
    }
    LoadKeyed(b, checked_ ? "VTCOMMON_RADIOBUTTON_CHECKED" : "VTCOMMON_RADIOBUTTON_UNCHECKED", k);
}

// ---------------------------------------------------------------- TVtCustomCheckBox

const TClassInfo& TVtCustomCheckBox::StaticClass() {
    static TClassInfo ci = [] {
        using C = TVtCustomCheckBox;
        TClassInfo c{"TVtCustomCheckBox", &TVtCustomGlyphButton::StaticClass(), {}, {}, {}};
        c.props = {BoolProp<C>("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, 0),
                   OrdProp<C, TCheckBoxState>("State", &C::State, &C::SetState, cbUnchecked, &CheckBoxStateIdents),
                   BoolProp<C>("Checked", &C::GetChecked, &C::SetChecked, 0)};
        return c;
    }();
    return ci;
}

TVtCustomCheckBox::TVtCustomCheckBox(TComponent* owner) : TVtCustomGlyphButton(owner, 9) {}

void TVtCustomCheckBox::SetState(TCheckBoxState s) {
    if (s == state_) return;
    state_ = s;
    RepaintButton();
    if (!IsLoading()) Click();
}

void TVtCustomCheckBox::ClickButton() {
    SetState(state_ == cbUnchecked ? (allowGrayed_ ? cbGrayed : cbChecked)
             : state_ == cbChecked ? cbUnchecked
                                   : cbChecked);
}

void TVtCustomCheckBox::KeyDown(WORD& key, TShiftState shift) {
    TVtCustomGlyphButton::KeyDown(key, shift);
    if (key == VK_SPACE) {
        spaceDown_ = true;
        SetPressed(true);
        RepaintButton();
    } else if (key == VK_ESCAPE && spaceDown_) {
        spaceDown_ = false;
        SetPressed(false);
        RepaintButton();
    }
}

void TVtCustomCheckBox::KeyUp(WORD& key, TShiftState shift) {
    TVtCustomGlyphButton::KeyUp(key, shift);
    if (key != VK_SPACE) return;
    SetPressed(false);
    if (spaceDown_) {
        spaceDown_ = false;
        ClickButton();
    }
    RepaintButton();
}

void TVtCustomCheckBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_KILLFOCUS:
        SetPressed(false);
        spaceDown_ = false;
        break;
    case CM_DIALOGCHAR:
        if (IsAccelOf(m.WParam, Caption()) && CanFocus()) {
            SetFocus();
            if (Focused()) {
                ClickButton();
                RepaintButton();
            }
            m.Result = 1;
            return;
        }
        break;
    default: break;
    }
    TVtCustomGlyphButton::Dispatch(m);
}

void TVtCustomCheckBox::PaintGlyphImage(TBitmap* b) {
    bool pressed = Pressed();
    if (UseCustomGlyphs()) {
        int cell = int(state_) + (!Enabled() ? 6 : pressed ? 3 : 0);
        ExtractGlyph(cell, b, GlyphWidth(), GlyphHeight(), CustomGlyphs());
        return;
    }
    if (UsingTheme()) {
        TThemedState st = !Enabled() ? tsDisabled : pressed ? tsPressed : MouseOver() ? tsHot : tsNormal;
        TThemedCheck ck = state_ == cbChecked ? tcChecked : state_ == cbGrayed ? tcMixed : tcUnchecked;
        b->Canvas()->Brush()->SetColor(Color());
        b->Canvas()->FillRect(TRect(0, 0, b->Width(), b->Height()));
        ThemeServices()->DrawElement(b->Canvas(), ThemeServices()->GetElementDetails(tpCheckBox, st, ck),
                                     TRect(0, 0, b->Width(), b->Height()));
        return;
    }
    if (!HotTrack()) {
        PaintClassicImage(b, false, state_);
        return;
    }
    bool high = IsHighColorDisplay();
    std::map<TColor, TColor> k{{clWhite, clWindow},
                               {clRed, clWindow},
                               {clFuchsia, clWindow},
                               {clGray, FrameColor()},
                               {clBlue, AdjustKeyColor(HighlightColor())}};
    if (!Enabled()) {
        k[clWhite] = k[clRed] = k[clFuchsia] = DisabledColor();
        k[clBlue] = clBtnShadow;
    } else if (high && pressed) {
        k[clWhite] = k[clRed] = k[clFuchsia] = DarkerColor(clWindow, 20);
    } else if (high && MouseOver()) {
        TColor light, dark;
        HoverColors(light, dark);
        k[clRed] = dark;
        k[clFuchsia] = light;
    }
    static const char* names[] = {"VTCOMMON_CHECKBOX_UNCHECKED", "VTCOMMON_CHECKBOX_CHECKED",
                                  "VTCOMMON_CHECKBOX_GRAYED"};
    LoadKeyed(b, names[state_], k);
}

QM_CLASS_RECORD(TVtCheckBox, TVtCustomCheckBox)

// ---------------------------------------------------------------- action link

TVtCheckedActionLink::TVtCheckedActionLink(TVtCustomGlyphButton* client)
    : TWinControlActionLink(client), button_(client) {}

bool TVtCheckedActionLink::IsCheckedLinked() const {
    return TWinControlActionLink::IsCheckedLinked() && button_->Checked() == Act()->Checked();
}

void TVtCheckedActionLink::SetChecked(bool c) {
    if (IsCheckedLinked()) button_->SetCheckedQuietly(c);
}

void TVtCustomGlyphButton::SetCheckedQuietly(bool c) {
    clicksDisabled_ = true;
    try {
        SetChecked(c);
    } catch (...) {
        clicksDisabled_ = false;
        throw;
    }
    clicksDisabled_ = false;
}

void TVtCustomGlyphButton::Click() {
    if (!clicksDisabled_) TVtCustomButton::Click();
}

TControlActionLink* TVtCustomGlyphButton::CreateActionLink() { return new TVtCheckedActionLink(this); }

void TVtCustomGlyphButton::ActionChange(TObject* sender, bool checkDefaults) {
    TVtCustomButton::ActionChange(sender, checkDefaults);
    if (auto* a = dynamic_cast<TAction*>(sender); a && !(checkDefaults && Checked())) SetCheckedQuietly(a->Checked());
}
