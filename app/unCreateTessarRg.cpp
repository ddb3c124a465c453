#include "app/unCreateTessarRg.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fstream>
#include <sstream>
#include <utility>

#include "app/unInputPoint.h"
#include "app/unInputString.h"
#include "app/unPreview.h"
#include "app/unProgBar.h"
#include "app/unTFInformation.h"
#include "platform/office/Excel.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileIO.h"
#include "platform/rtl/MemoryBacking.h"
#include "platform/rtl/MemoryStatus.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtCommon.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/PlatformClasses.h"
#include "widgets/VtChkLst.h"
#include "widgets/VtCmboBx.h"
#include "widgets/VtEdit.h"
#include "widgets/VtPanel.h"
#include "widgets/VtRadChk.h"
#include "widgets/VtSpnEdt.h"
#include "widgets/VtTabs.h"

TfrmCreateTessarRg* frmCreateTessarRg = nullptr;

namespace {

// The engine's input errors go to the shell's message box, owned by the main window.
class MessageBoxReport : public ITessarErrorReport {
public:
    void ShowError(const std::string& text, const std::string& caption) override {
        Application->MessageBox(text, caption, MB_OK | MB_ICONERROR);
    }
};
MessageBoxReport g_report;
TProgBarProgress g_progress;

// A failure with its cause on a line of its own, when there is one.
std::string WithCause(const std::string& what, const std::string& cause) {
    return cause.empty() ? what : what + "\r\n" + cause;
}

const char* const kStandardHeader = "图幅号,最小经度,最小纬度,最大经度,最大纬度,X1,Y1,X2,Y2,X3,Y3,X4,Y4";
const char* const kGridHeader = "图幅号,最小X,最小Y,最大X,最大Y";

// The main window takes no input while an export runs and processes messages, so nothing can change
// the sheets being written.
class DisabledWhile {
public:
    explicit DisabledWhile(TControl* c) : c_(c) { c_->SetEnabled(false); }
    ~DisabledWhile() { c_->SetEnabled(true); }

private:
    TControl* c_;
};

bool EndsWithNoCase(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && LowerCase(s.substr(s.size() - end.size())) == end;
}

constexpr TColor kEvenRowColor = RGB(227, 227, 227);

}  // namespace

namespace {

const TStandardTessarol kNoSheet;
const TCustomTessarol kNoGridSheet;

// What a listed sheet takes: its record in the result field, its item's object, text and object slot,
// and its check state.
constexpr size_t kItemBytes = sizeof(std::string) + sizeof(TObject*) + 4;
constexpr size_t kListedSheetBytes = sizeof(TStandardTessarol) + sizeof(TTessarolObject) + kItemBytes;

// A listed grid sheet: its name may be too long to live in the record, and its item holds the name again.
size_t ListedGridSheetBytes(size_t longestName) {
    return sizeof(TCustomTessarol) + sizeof(TTessarolObject) + kItemBytes + 2 * StringHeapBytes(longestName);
}

const std::string& TextOf(const TStandardTessarol& t) { return t.SheetNo; }
const std::string& TextOf(const TCustomTessarol& t) { return t.Name; }

template <class Rows>
size_t RecordCount(const Rows& rows) {
    size_t n = 0;
    for (auto& r : rows) n += r.size();
    return n;
}

}  // namespace

TTessarolObject::TTessarolObject(std::unique_ptr<Copy> copy)
    : copy_(std::move(copy)), Tessarol(copy_->standard), CustomTessarol(copy_->custom) {}

TTessarolObject::TTessarolObject(const TStandardTessarol& rec) : TTessarolObject(std::make_unique<Copy>()) {
    copy_->standard = rec;
}

TTessarolObject* TTessarolObject::CreateCustom(const TCustomTessarol& rec) {
    auto* o = new TTessarolObject(std::make_unique<Copy>());
    o->copy_->custom = rec;
    return o;
}

TTessarolObject::TTessarolObject(ReferTag, const TStandardTessarol& rec) : Tessarol(rec), CustomTessarol(kNoGridSheet) {}

TTessarolObject::TTessarolObject(ReferTag, const TCustomTessarol& rec) : Tessarol(kNoSheet), CustomTessarol(rec) {}

const TClassInfo& TfrmCreateTessarRg::StaticClass() {
    static TClassInfo ci = [] {
        using F = TfrmCreateTessarRg;
        TClassInfo c{"TfrmCreateTessarRg", &TForm::StaticClass(), {}, {}, {}};
        c.methods = {
            Method("FormCreate", &F::FormCreate), Method("VtBitBtn1Click", &F::VtBitBtn1Click),
            Method("VtBitBtn3Click", &F::VtBitBtn3Click), Method("VtPageControl1Change", &F::VtPageControl1Change),
            Method("VtListBoxDrawItem", &F::VtListBoxDrawItem), Method("mnuSelAllClick", &F::mnuSelAllClick),
            Method("mnuSelNoneClick", &F::mnuSelNoneClick), Method("N7Click", &F::N7Click),
            Method("PopupMenu3Popup", &F::PopupMenu3Popup), Method("VtSpinEdit1Change", &F::VtSpinEdit1Change),
            Method("VtSpinEdit14Change", &F::VtSpinEdit14Change), Method("VtCheckBox1Click", &F::VtCheckBox1Click),
            Method("VtCheckBox2Click", &F::VtCheckBox2Click), Method("VtCheckBox3Click", &F::VtCheckBox3Click),
            Method("VtCheckBox4Click", &F::VtCheckBox4Click), Method("VtComboBox6Change", &F::VtComboBox6Change),
            Method("VtComboBox8Change", &F::VtComboBox8Change), Method("VtSpinEdit34Change", &F::VtSpinEdit34Change),
            Method("VtSpinEdit39Change", &F::VtSpinEdit39Change), Method("VtSpinEdit13Change", &F::VtSpinEdit13Change),
            Method("VtSpinEdit26Change", &F::VtSpinEdit26Change), Method("ShowInfoClick", &F::ShowInfoClick),
            Method("ShowCustomInfoClick", &F::ShowCustomInfoClick),
            Method("ImportCornersClick", &F::ImportCornersClick),
            Method("ImportGridSheetClick", &F::ImportGridSheetClick), Method("DeleteClick", &F::DeleteClick),
            Method("DeletePointsClick", &F::DeletePointsClick), Method("FindClick", &F::FindClick),
            Method("VtToolbarButton23Click", &F::VtToolbarButton23Click),
            Method("VtRadioButton9Click", &F::VtRadioButton9Click),
            Method("VtRadioButton10Click", &F::VtRadioButton10Click), Method("N1Click", &F::N1Click),
            Method("N3Click", &F::N3Click), Method("VtToolbarButton16Click", &F::VtToolbarButton16Click),
            Method("VtToolbarButton20Click", &F::VtToolbarButton20Click), Method("N4Click", &F::N4Click),
            Method("N5Click", &F::N5Click), Method("N6Click", &F::N6Click),
            Method("N2Click", &F::N2Click), Method("N8Click", &F::N8Click), Method("Excel1Click", &F::Excel1Click),
            Method("XLS1Click", &F::XLS1Click), Method("VtBitBtn2Click", &F::VtBitBtn2Click),
            Method("VtToolbarButton12Click", &F::VtToolbarButton12Click),
            Method("VtToolbarButton13Click", &F::VtToolbarButton13Click),
            Method("VtToolbarButton24Click", &F::VtToolbarButton24Click),
            Method("VtToolbarButton14Click", &F::VtToolbarButton14Click),
            Method("VtToolbarButton26Click", &F::VtToolbarButton26Click)};
        return c;
    }();
    return ci;
}

TfrmCreateTessarRg::TfrmCreateTessarRg(TComponent* owner) : TForm(owner) {
    InitComponentFromResource(this);
    for (int i = 0; i < 7; ++i) {
        lists_[i] = Get<TVtCheckList>("VtCheckList" + std::to_string(i + 1));
        // Items are drawn 4 pixels down: room for the descenders of the CJK font's Latin letters.
        lists_[i]->SetItemHeight(20);
    }
    pages_ = Get<TVtPageControl>("VtPageControl1");
    SetTessarErrorReport(&g_report);
    SetTessarProgress(&g_progress);
}

TfrmCreateTessarRg::~TfrmCreateTessarRg() {
    SetTessarErrorReport(nullptr);
    SetTessarProgress(nullptr);
    for (TVtCheckList* l : lists_)
        if (l) ClearItems(l);
}

template <class T>
T* TfrmCreateTessarRg::Get(const std::string& name) const {
    T* c = dynamic_cast<T*>(FindComponent(name));
    if (!c) throw EComponentError("Component " + name + " not found");
    return c;
}

TVtSpinEdit* TfrmCreateTessarRg::Spin(int n) const { return Get<TVtSpinEdit>("VtSpinEdit" + std::to_string(n)); }
TVtNumericEdit* TfrmCreateTessarRg::Numeric(int n) const {
    return Get<TVtNumericEdit>("VtNumericEdit" + std::to_string(n));
}
TVtComboBox* TfrmCreateTessarRg::Combo(int n) const { return Get<TVtComboBox>("VtComboBox" + std::to_string(n)); }
TVtCheckBox* TfrmCreateTessarRg::Check(int n) const { return Get<TVtCheckBox>("VtCheckBox" + std::to_string(n)); }
TVtRadioButton* TfrmCreateTessarRg::Radio(int n) const {
    return Get<TVtRadioButton>("VtRadioButton" + std::to_string(n));
}

TDmsAngle TfrmCreateTessarRg::DmsOf(int s) const {
    return {double(Spin(s)->Value()), double(Spin(s + 1)->Value()), double(Spin(s + 2)->Value())};
}

void TfrmCreateTessarRg::SetDms(int s, const TDmsAngle& a) {
    Spin(s)->SetValue(a.Degrees);
    Spin(s + 1)->SetValue(a.Minutes);
    Spin(s + 2)->SetValue(a.Seconds);
}

void TfrmCreateTessarRg::FormCreate(TObject*) {
    Application->SetTitle("Quillmark");
    SetCaption("Quillmark");
}

void TfrmCreateTessarRg::VtBitBtn3Click(TObject*) { Close(); }

// ---- page change -------------------------------------------------------------------------------------

void TfrmCreateTessarRg::VtPageControl1Change(TObject*) {
    const int page = pages_->GetActivePageIndex();
    if (page < 0 || page > 4) return;
    const bool grid = page == 2;
    Get<TVtBitBtn>("VtBitBtn1")->SetCaption(page == 3 ? "转换图幅号" : page == 4 ? "查询图幅号" : "生成图幅号");
    for (const char* n : {"N1", "N8", "N5", "XLS1"}) Get<TMenuItem>(n)->SetVisible(!grid);
    Get<TMenuItem>("N2")->SetCaption(grid ? "投影坐标" : "投影坐标（米）");
    Get<TMenuItem>("Excel1")->SetCaption(grid ? "导出XLS文件" : "导出XLS文件（米）");
    for (const char* n : {"VtBitBtn1", "VtBitBtn2", "VtMenuButton1", "VtMenuButton2"})
        Get<TControl>(n)->SetEnabled(true);
}

// ---- result lists ------------------------------------------------------------------------------------

void TfrmCreateTessarRg::VtListBoxDrawItem(TWinControl* control, int index, TRect rect, uint16_t state) {
    auto* list = dynamic_cast<TVtCheckList*>(control);
    if (!list) return;
    TCanvas* c = list->Canvas();
    const bool selected = state & odSelected;
    c->Brush()->SetColor(selected ? TColor(clSystemColor | COLOR_HOTLIGHT) : index % 2 == 0 ? kEvenRowColor : clWindow);
    c->FillRect(rect);
    c->Font()->SetColor(selected ? clCaptionText : clBlack);
    c->TextOut(rect.Left + 2, rect.Top + 4, list->Items()->Strings(index));
}

namespace {

// One repaint and one measure of a list at the end of many changes, not one a change.
class UpdatingItems {
public:
    explicit UpdatingItems(TItemStrings* items) : items_(items) { items_->BeginUpdate(); }
    ~UpdatingItems() { items_->EndUpdate(); }
    UpdatingItems(const UpdatingItems&) = delete;
    UpdatingItems& operator=(const UpdatingItems&) = delete;

private:
    TItemStrings* items_;
};

bool InObjects(const std::vector<TTessarolObject>& objects, const TObject* o) {
    if (objects.empty()) return false;
    const void* p = o;
    return std::less_equal<const void*>()(objects.data(), p) &&
           std::less<const void*>()(p, objects.data() + objects.size());
}

}  // namespace

void TfrmCreateTessarRg::ClearItems(TVtCheckList* list) {
    TItemStrings* items = list->Items();
    std::vector<TTessarolObject>& referring = ReferringOf(list);
    for (int i = 0; i < items->Count(); ++i)
        if (TObject* o = items->Objects(i); !InObjects(referring, o)) delete o;
    items->Clear();
    std::vector<TTessarolObject>().swap(referring);
}

TStandardTessarols* TfrmCreateTessarRg::FieldOf(const TVtCheckList* list) {
    return list == lists_[0] ? &FSheets54 : list == lists_[1] ? &FSheets80 : list == lists_[4] ? &FConverted
                                          : list == lists_[6] ? &FQueried : nullptr;
}

std::vector<TTessarolObject>& TfrmCreateTessarRg::ReferringOf(const TVtCheckList* list) {
    for (int i = 0; i < 7; ++i)
        if (lists_[i] == list) return referring_[i];
    throw EComponentError("The list is not a page list of the window");
}

void TfrmCreateTessarRg::MakeRoomFor(long long sheets, size_t bytesEach, TVtCheckList* list) {
    CheckTessarMemory(sheets, bytesEach, uint64_t(list->Items()->Count()) * bytesEach);
    ClearItems(list);
    if (TStandardTessarols* field = FieldOf(list)) TStandardTessarols().swap(*field);
    if (list == lists_[2]) TCustomTessarols().swap(FCustom);
    ReturnFreeMemory();
}

template <class Rows>
void TfrmCreateTessarRg::ListReferring(const Rows& field, TVtCheckList* list) {
    std::vector<TTessarolObject> objects;
    objects.reserve(RecordCount(field));
    BackWithHugePages({{objects.data(), objects.capacity() * sizeof(TTessarolObject)}});
    for (auto& row : field)
        for (auto& rec : row) objects.emplace_back(TTessarolObject::Refer, rec);
    TItemStrings* items = list->Items();
    // The objects the items held stay until the items hold the new ones.
    std::swap(objects, ReferringOf(list));
    std::vector<TTessarolObject>& now = ReferringOf(list);
    if (items->Count() > 0) {  // after a delete: the same items, their records moved up
        for (int k = 0; k < items->Count(); ++k)
            if (size_t(k) < now.size()) items->SetObjects(k, &now[size_t(k)]);
            else if (InObjects(objects, items->Objects(k))) items->SetObjects(k, nullptr);  // never left dangling
        return;
    }
    UpdatingItems updating(items);
    items->Reserve(int(now.size()));
    size_t k = 0;
    for (auto& row : field)
        for (auto& rec : row) items->AddObject(TextOf(rec), &now[k++]);
}

TVtCheckList* TfrmCreateTessarRg::ListOf(TObject* button) const {
    // Each tool button sits in the group box of its list.
    auto* b = dynamic_cast<TControl*>(button);
    if (auto* l = dynamic_cast<TVtCheckList*>(button)) return l;
    if (!b || !b->Parent()) return nullptr;
    TWinControl* group = b->Parent();
    for (TVtCheckList* l : lists_)
        if (l->Parent() == group) return l;
    return nullptr;
}

void TfrmCreateTessarRg::AddTessarolsToList(TStandardTessarols&& sheets, TVtCheckList* list, int kind,
                                            double offsetX, double offsetY) {
    TStandardTessarols& field = kind == 0 ? FSheets54 : kind == 1 ? FSheets80 : kind == 3 ? FConverted : FQueried;
    ClearItems(list);
    field = std::move(sheets);
    if (offsetX != 0 || offsetY != 0)
        for (auto& column : field)
            for (TStandardTessarol& t : column)
                for (TPlanePoint* p : {&t.LT, &t.RT, &t.RB, &t.LB}) {
                    p->X -= offsetX;
                    p->Y -= offsetY;
                }
    ListReferring(field, list);
}

void TfrmCreateTessarRg::AddTessarolsToList(const TStandardTessarols& sheets, TVtCheckList* list, int kind,
                                            double offsetX, double offsetY) {
    AddTessarolsToList(TStandardTessarols(sheets), list, kind, offsetX, offsetY);
}

void TfrmCreateTessarRg::AddCustomTessarolsToList(TCustomTessarols&& sheets, TVtCheckList* list) {
    ClearItems(list);
    FCustom = std::move(sheets);
    ListReferring(FCustom, list);
}

void TfrmCreateTessarRg::AddCustomTessarolsToList(const TCustomTessarols& sheets, TVtCheckList* list) {
    AddCustomTessarolsToList(TCustomTessarols(sheets), list);
}

// ---- Generate ----------------------------------------------------------------------------------------

void TfrmCreateTessarRg::GenerateLatLon(int page) {
    const bool p0 = page == 0;
    const int s = p0 ? 1 : 14;
    const TDmsExtent window = {DmsOf(s), DmsOf(s + 3), DmsOf(s + 6), DmsOf(s + 9)};
    const int scale = Combo(p0 ? 2 : 4)->ItemIndex();
    const bool zone3 = Combo(p0 ? 1 : 3)->ItemIndex() == 0;
    const double cm = Spin(p0 ? 13 : 26)->Value();
    const double ox = Numeric(p0 ? 1 : 3)->Value(), oy = Numeric(p0 ? 2 : 4)->Value();
    const bool beijing = p0;
    TVtCheckList* list = lists_[p0 ? 0 : 1];
    TStandardTessarols result;
    // Either numbering serves scales 0..7; any other index lists nothing.
    if (scale >= 0 && scale < kScaleCount) MakeRoomFor(TessarolCount(window, scale), kListedSheetBytes, list);
    if (Radio(p0 ? 1 : 3)->Checked()) {
        if (scale >= 0 && scale < kScaleCount) GetNewTessarols(window, zone3, beijing, cm, scale, result);
    } else {
        switch (scale) {
        case 0: GetTessarols1000k(window, zone3, beijing, cm, true, result); break;
        case 1: GetTessarols500k(window, zone3, beijing, cm, result); break;
        case 2: GetTessarols250k(window, zone3, beijing, cm, result); break;
        case 3: GetTessarols100k(window, zone3, beijing, cm, result); break;
        case 4: GetTessarols50k(window, zone3, beijing, cm, result); break;
        case 5: GetTessarols25k(window, zone3, beijing, cm, result); break;
        case 6: GetTessarols10k(window, zone3, beijing, cm, result); break;
        case 7: GetTessarols5k(window, zone3, beijing, cm, result); break;
        default: break;
        }
    }
    AddTessarolsToList(std::move(result), list, p0 ? 0 : 1, ox, oy);
}

void TfrmCreateTessarRg::VtBitBtn1Click(TObject*) {
    // The engine refuses a request it cannot serve (inverted window, outside the sheets' area, too many
    // sheets) before anything is replaced, so the page keeps its list.
    try {
        Generate(pages_->GetActivePageIndex());
    } catch (const ERangeError& e) {
        ShowErrorBox(e.Message);
    }
}

void TfrmCreateTessarRg::Generate(int page) {
    switch (page) {
    case 0:
    case 1: GenerateLatLon(page); break;
    case 2: {
        const TPlaneRect rect = {Numeric(5)->Value(), Numeric(6)->Value(), Numeric(7)->Value(), Numeric(8)->Value()};
        const int row = static_cast<int>(Spin(30)->Value()), col = static_cast<int>(Spin(31)->Value());
        const bool byRowCol = Radio(9)->Checked();
        const std::string name = Get<TVtEdit>("VtEdit1")->Text();
        const double dx = Spin(28)->Value(), dy = Spin(29)->Value();
        // The hidden scale edit VtSpinEdit27 is not read: a grid's sheets follow from its rectangle and steps alone.
        // Input the engine refuses it reports itself, and the list stays.
        size_t longest = 0;
        if (const long long n = CustomTessarolCount(rect, row, col, byRowCol, name, dx, dy, longest); n >= 0)
            MakeRoomFor(n, ListedGridSheetBytes(longest), lists_[2]);
        TCustomTessarols result;
        if (CreateCustomTessarols(rect, row, col, byRowCol, name, dx, dy, result))
            AddCustomTessarolsToList(std::move(result), lists_[2]);
        break;
    }
    case 3: {
        TStringList source;
        TItemStrings* items = lists_[3]->Items();
        for (int i = 0; i < items->Count(); ++i) source.Add(items->Strings(i));
        MakeRoomFor(ConvertedTessarolCount(source, Combo(5)->ItemIndex()), kListedSheetBytes, lists_[4]);
        TStandardTessarols result;
        ConvertSheetNoList(source, Combo(5)->ItemIndex(), Radio(5)->Checked(), Combo(6)->ItemIndex() == 0,
                           Radio(7)->Checked(), Spin(34)->Value(), result);
        AddTessarolsToList(std::move(result), lists_[4], 3, Numeric(9)->Value(), Numeric(10)->Value());
        break;
    }
    case 4: {
        const int scale = Combo(7)->ItemIndex();
        const bool isNew = Radio(11)->Checked(), beijing = Radio(13)->Checked(), zone3 = Combo(8)->ItemIndex() == 0;
        const double cm = Spin(39)->Value();
        TItemStrings* items = lists_[5]->Items();
        TStandardTessarols result(static_cast<size_t>(items->Count()));
        for (int i = 0; i < items->Count(); ++i) {
            auto* o = dynamic_cast<TTessarolObject*>(items->Objects(i));
            if (!o) continue;
            TStandardTessarols found;
            GetTessarolsAtPoint(o->Tessarol.West, o->Tessarol.South, scale, isNew, zone3, beijing, cm, found);
            for (auto& column : found)
                for (auto& t : column) result[i].push_back(t);
        }
        AddTessarolsToList(std::move(result), lists_[6], 4, Numeric(11)->Value(), Numeric(12)->Value());
        break;
    }
    default: break;
    }
}

// ---- check-list popup --------------------------------------------------------------------------------

void TfrmCreateTessarRg::mnuSelAllClick(TObject*) {
    if (auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent())) l->CheckAll();
}

void TfrmCreateTessarRg::mnuSelNoneClick(TObject*) {
    if (auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent())) l->UncheckAll();
}

void TfrmCreateTessarRg::N7Click(TObject*) {
    auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent());
    if (!l) return;
    for (int i = 0; i < l->Items()->Count(); ++i) l->SetItemChecked(i, !l->ItemChecked(i));
}

void TfrmCreateTessarRg::PopupMenu3Popup(TObject*) {
    auto* l = dynamic_cast<TVtCheckList*>(Get<TPopupMenu>("PopupMenu3")->PopupComponent());
    if (!l) return;
    const int n = l->Items()->Count(), c = l->ItemsChecked();
    Get<TMenuItem>("mnuSelAll")->SetEnabled(n > 0 && c != n);
    Get<TMenuItem>("mnuSelNone")->SetEnabled(c >= 1);
    Get<TMenuItem>("N7")->SetEnabled(c > 0 && n > c);
}

// ---- zones and offsets -------------------------------------------------------------------------------

void TfrmCreateTessarRg::SetZoneOffset(TVtCheckBox* box, bool threeDegree, TVtNumericEdit* offset, double cm) {
    // The same national zone number as the engine's false easting, so the offset strips exactly the prefix.
    const double n = GetZoneNumber(threeDegree, cm);
    offset->SetValue(box->Checked() && cm > 0 ? n * 1000000 : 0);
}

void TfrmCreateTessarRg::UpdateCentralMeridian(const TDmsAngle& longitude, bool threeDegree, TVtSpinEdit* meridian) {
    meridian->SetValue(GetCentralMeridian(threeDegree, DmsToDegree(longitude)));
}

void TfrmCreateTessarRg::VtSpinEdit1Change(TObject*) {
    const bool z3 = Combo(1)->ItemIndex() == 0;
    UpdateCentralMeridian(DmsOf(1), z3, Spin(13));
    Numeric(1)->SetValue(0);
    SetZoneOffset(Check(1), z3, Numeric(1), Spin(13)->Value());
}

void TfrmCreateTessarRg::VtSpinEdit14Change(TObject*) {
    const bool z3 = Combo(3)->ItemIndex() == 0;
    UpdateCentralMeridian(DmsOf(14), z3, Spin(26));
    Numeric(3)->SetValue(0);
    SetZoneOffset(Check(2), z3, Numeric(3), Spin(26)->Value());
}

// The offset follows the meridian in use (the edit), so a meridian typed by hand keeps its own prefix.
void TfrmCreateTessarRg::VtCheckBox1Click(TObject*) {
    if (DmsToDegree(DmsOf(1)) > 0) SetZoneOffset(Check(1), Combo(1)->ItemIndex() == 0, Numeric(1), Spin(13)->Value());
}

void TfrmCreateTessarRg::VtCheckBox2Click(TObject*) {
    if (DmsToDegree(DmsOf(14)) > 0) SetZoneOffset(Check(2), Combo(3)->ItemIndex() == 0, Numeric(3), Spin(26)->Value());
}

void TfrmCreateTessarRg::VtSpinEdit13Change(TObject*) {
    SetZoneOffset(Check(1), Combo(1)->ItemIndex() == 0, Numeric(1), Spin(13)->Value());
}

void TfrmCreateTessarRg::VtSpinEdit26Change(TObject*) {
    SetZoneOffset(Check(2), Combo(3)->ItemIndex() == 0, Numeric(3), Spin(26)->Value());
}

void TfrmCreateTessarRg::VtCheckBox3Click(TObject*) {
    SetZoneOffset(Check(3), Combo(6)->ItemIndex() == 0, Numeric(9), Spin(34)->Value());
}

void TfrmCreateTessarRg::VtCheckBox4Click(TObject*) {
    SetZoneOffset(Check(4), Combo(8)->ItemIndex() == 0, Numeric(11), Spin(39)->Value());
}

namespace {

template <class Text>
double WestmostLongitude(int count, Text text) {
    if (count == 0) return 0;
    double west = 360.0;
    for (int i = 0; i < count; ++i) {
        const std::string& s = text(i);
        const int standard = GetSheetNoStandard(s);
        if (standard == 0) continue;
        TDmsExtent e = standard == 1 ? OldSheetNoToExtent(s) : NewSheetNoToExtent(s);
        west = std::fmin(west, DmsToDegree(e.West));
    }
    return west;
}

}  // namespace

double TfrmCreateTessarRg::GetWestmostLongitude(const TItemStrings& items) {
    return WestmostLongitude(items.Count(), [&items](int i) -> const std::string& { return items.Strings(i); });
}

double TfrmCreateTessarRg::GetWestmostLongitude(const TStringList& lines) {
    return WestmostLongitude(lines.Count(), [&lines](int i) -> const std::string& { return lines[i]; });
}

void TfrmCreateTessarRg::SetListCentralMeridian(TVtCheckList* list, TVtComboBox* zone, TVtSpinEdit* meridian) {
    double west;
    if (list == lists_[5]) {
        // The point list holds points, not sheet numbers: its westmost point decides.
        TItemStrings* items = list->Items();
        if (items->Count() == 0) return;
        west = 360;
        for (int i = 0; i < items->Count(); ++i)
            if (auto* o = dynamic_cast<TTessarolObject*>(items->Objects(i)))
                west = std::fmin(west, DmsToDegree(o->Tessarol.West));
    } else {
        west = GetWestmostLongitude(*list->Items());
        if (west >= 360) return;  // no valid number: the edit keeps its value
    }
    meridian->SetValue(GetCentralMeridian(zone->ItemIndex() == 0, west));
}

void TfrmCreateTessarRg::VtComboBox6Change(TObject*) {
    SetListCentralMeridian(lists_[3], Combo(6), Spin(34));
    SetZoneOffset(Check(3), Combo(6)->ItemIndex() == 0, Numeric(9), Spin(34)->Value());
}

void TfrmCreateTessarRg::VtComboBox8Change(TObject*) {
    SetListCentralMeridian(lists_[5], Combo(8), Spin(39));
    SetZoneOffset(Check(4), Combo(8)->ItemIndex() == 0, Numeric(11), Spin(39)->Value());
}

void TfrmCreateTessarRg::VtSpinEdit34Change(TObject*) {
    SetZoneOffset(Check(3), Combo(6)->ItemIndex() == 0, Numeric(9), Spin(34)->Value());
}

void TfrmCreateTessarRg::VtSpinEdit39Change(TObject*) {
    SetZoneOffset(Check(4), Combo(8)->ItemIndex() == 0, Numeric(11), Spin(39)->Value());
}

// ---- list tools --------------------------------------------------------------------------------------

void TfrmCreateTessarRg::ShowListItemInfo(TVtCheckList* list) {
    const int i = list->ItemIndex();
    if (i < 0) return;
    if (auto* o = dynamic_cast<TTessarolObject*>(list->Items()->Objects(i))) ShowTessarolInfo(o->Tessarol);
}

void TfrmCreateTessarRg::ShowTessarolInfo(const TStandardTessarol& sheet) {
    std::unique_ptr<TfrmTFInformation> f(new TfrmTFInformation(Application));
    f->SetCaption("图幅信息");
    f->ShowSheet(sheet);
    f->ShowModal();
}

void TfrmCreateTessarRg::ShowInfoClick(TObject* sender) {
    if (TVtCheckList* l = ListOf(sender)) ShowListItemInfo(l);
}

void TfrmCreateTessarRg::ShowCustomInfoClick(TObject*) {
    const int i = lists_[2]->ItemIndex();
    if (i < 0) return;
    auto* o = dynamic_cast<TTessarolObject*>(lists_[2]->Items()->Objects(i));
    if (!o) return;
    std::unique_ptr<TfrmTFInformation> f(new TfrmTFInformation(Application));
    f->SetCaption("图幅信息");
    f->ShowGridSheet(o->CustomTessarol);
    f->ShowModal();
}

void TfrmCreateTessarRg::ImportCornersClick(TObject* sender) {
    TVtCheckList* l = ListOf(sender);
    if (!l || l->ItemIndex() < 0) return;
    auto* o = dynamic_cast<TTessarolObject*>(l->Items()->Objects(l->ItemIndex()));
    if (!o) return;
    const int s = l == lists_[0] ? 1 : 14;
    const TStandardTessarol& t = o->Tessarol;
    SetDms(s, t.West);
    SetDms(s + 3, t.South);
    SetDms(s + 6, t.East);
    SetDms(s + 9, t.North);
}

void TfrmCreateTessarRg::ImportGridSheetClick(TObject*) {
    const int i = lists_[2]->ItemIndex();
    if (i < 0) return;
    auto* o = dynamic_cast<TTessarolObject*>(lists_[2]->Items()->Objects(i));
    if (!o) return;
    Numeric(5)->SetValue(o->CustomTessarol.MinX);
    Numeric(6)->SetValue(o->CustomTessarol.MinY);
    Numeric(7)->SetValue(o->CustomTessarol.MaxX);
    Numeric(8)->SetValue(o->CustomTessarol.MaxY);
}

void TfrmCreateTessarRg::DeleteCheckedItems(TVtCheckList* list) {
    bool any = false;
    for (int i = 0; i < list->Items()->Count() && !any; ++i) any = list->ItemChecked(i);
    if (!any) return;
    if (Application->MessageBox("真的要删除选中的数据吗？", "确认", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    TItemStrings* items = list->Items();
    std::vector<TTessarolObject>& referring = ReferringOf(list);
    // All at once: one by one, a long list with many of its items checked takes time by the square of its length.
    std::vector<bool> gone(static_cast<size_t>(items->Count()));
    std::vector<TObject*> owned;
    for (int i = 0; i < items->Count(); ++i)
        if (list->ItemChecked(i)) {
            gone[i] = true;
            if (TObject* o = items->Objects(i); !InObjects(referring, o)) owned.push_back(o);
        }
    {
        UpdatingItems updating(items);
        items->DeleteMarked(gone);
    }
    for (TObject* o : owned) delete o;
    // The page's stored result loses the same sheets, so that an export never writes a deleted one.
    // Items stand in the order of the field, outer index first.
    auto drop = [&gone](auto& field) {
        size_t k = 0;
        for (auto& outer : field) {
            auto& inner = outer;
            size_t w = 0;
            for (size_t r = 0; r < inner.size(); ++r, ++k)
                if (k >= gone.size() || !gone[k]) {
                    if (w != r) inner[w] = std::move(inner[r]);
                    ++w;
                }
            inner.resize(w);
        }
        field.erase(std::remove_if(field.begin(), field.end(), [](const auto& o) { return o.empty(); }), field.end());
    };
    if (list == lists_[2]) {
        drop(FCustom);
        if (!referring.empty()) ListReferring(FCustom, list);
    } else if (TStandardTessarols* field = FieldOf(list)) {
        drop(*field);
        // The items that are left refer to their records where these now stand.
        if (!referring.empty()) ListReferring(*field, list);
    }
}

void TfrmCreateTessarRg::DeleteClick(TObject* sender) {
    if (TVtCheckList* l = ListOf(sender)) DeleteCheckedItems(l);
}

void TfrmCreateTessarRg::DeletePointsClick(TObject*) {
    DeleteCheckedItems(lists_[5]);
    SetListCentralMeridian(lists_[5], Combo(8), Spin(39));
}

void TfrmCreateTessarRg::FindInList(TVtCheckList* list) {
    TItemStrings* items = list->Items();
    if (items->Count() == 0) return;
    std::string text;
    if (!InputString("查找", "请输入要查找的数据", text)) return;
    list->SetFocus();
    const std::string wanted = UpperCase(text);
    for (int i = 0; i < items->Count(); ++i)
        if (UpperCase(items->Strings(i)) == wanted) {
            list->SetItemIndex(i);
            return;
        }
    Application->MessageBox("没有找到“" + text + "”！", "错误", MB_OK | MB_ICONERROR);
}

void TfrmCreateTessarRg::FindClick(TObject* sender) {
    if (TVtCheckList* l = ListOf(sender)) FindInList(l);
}

void TfrmCreateTessarRg::GetListTessarols(TVtCheckList* list, TStandardTessarols& sheets) {
    TItemStrings* items = list->Items();
    TStandardTessarols out(static_cast<size_t>(items->Count()));
    for (int i = 0; i < items->Count(); ++i)
        if (auto* o = dynamic_cast<TTessarolObject*>(items->Objects(i))) out[i].push_back(o->Tessarol);
    sheets = std::move(out);
}

void TfrmCreateTessarRg::GetListCustomTessarols(TVtCheckList* list, TCustomTessarols& sheets) {
    TItemStrings* items = list->Items();
    TCustomTessarols out(static_cast<size_t>(items->Count()));
    for (int i = 0; i < items->Count(); ++i)
        if (auto* o = dynamic_cast<TTessarolObject*>(items->Objects(i))) out[i].push_back(o->CustomTessarol);
    sheets = std::move(out);
}

// ---- point entry and grid naming ---------------------------------------------------------------------

std::string TfrmCreateTessarRg::FormatDmsPart(double v) {
    std::string t = FloatToStr(v);
    return v >= 10 ? t : "0" + t;
}

std::string TfrmCreateTessarRg::PointItemText(const TDmsAngle& lon, const TDmsAngle& lat) {
    auto text = [](const TDmsAngle& a) {
        std::string sec = FormatDmsPart(a.Seconds);
        size_t dot = sec.find(GetDecimalSeparator());
        if (dot != std::string::npos) sec.erase(dot, 1);
        return FloatToStr(a.Degrees) + "." + FormatDmsPart(a.Minutes) + sec;
    };
    return text(lon) + "_" + text(lat);
}

void TfrmCreateTessarRg::VtToolbarButton23Click(TObject*) {
    const TDmsAngle lon = {double(Spin(32)->Value()), double(Spin(33)->Value()), double(Spin(35)->Value())};
    const TDmsAngle lat = {double(Spin(36)->Value()), double(Spin(37)->Value()), double(Spin(38)->Value())};
    if (!(DmsToSeconds(lon) > 0) && !(DmsToSeconds(lat) > 0)) return;
    TStandardTessarol point;
    point.West = lon;
    point.South = lat;
    lists_[5]->Items()->AddObject(PointItemText(lon, lat), new TTessarolObject(point));
    SetListCentralMeridian(lists_[5], Combo(8), Spin(39));
}

void TfrmCreateTessarRg::VtRadioButton9Click(TObject*) {
    Get<TVtEdit>("VtEdit1")->SetText("[ROW]+[COL]");
    Spin(30)->SetEnabled(true);
    Spin(31)->SetEnabled(true);
}

void TfrmCreateTessarRg::VtRadioButton10Click(TObject*) {
    Get<TVtEdit>("VtEdit1")->SetText("[Y]-[X]");
    Spin(30)->SetEnabled(false);
    Spin(31)->SetEnabled(false);
}

void RegisterAppFormResources();  // generated from app/forms

void RegisterAppClasses() {
    RegisterPlatformClasses();
    RegisterWidgetClasses();
    RegisterAppFormResources();
    RegisterClass(TfrmCreateTessarRg::StaticClass());
    RegisterClass(TfrmTFInformation::StaticClass());
    RegisterClass(TfrmInputString::StaticClass());
    RegisterClass(TfrmInputPoint::StaticClass());
    RegisterClass(TfrmProgBar::StaticClass());
    RegisterPreviewClasses();
}

// ---- preview -----------------------------------------------------------------------------------------

void TfrmCreateTessarRg::N5Click(TObject*) { Preview(true); }
void TfrmCreateTessarRg::N6Click(TObject*) { Preview(false); }

void TfrmCreateTessarRg::Preview(bool geographic) {
    const int page = pages_->GetActivePageIndex();
    if (page < 0 || page > 4 || (page == 2 && geographic)) return;
    std::unique_ptr<TfrmPreview> f(new TfrmPreview(Application));
    frmPreview = f.get();
    struct Forget {
        ~Forget() { frmPreview = nullptr; }
    } forget;
    if (page == 2) {
        TCustomTessarols sheets;
        GetListCustomTessarols(lists_[2], sheets);
        f->LoadCustomTessarols(std::move(sheets));
    } else {
        TVtCheckList* list = page == 0 ? lists_[0] : page == 1 ? lists_[1] : page == 4 ? lists_[6] : nullptr;
        if (page == 3) list = ShowConfirmBox("预览目标图幅号请点“是”，预览原图幅号请点“否”。") ? lists_[4] : lists_[3];
        TStandardTessarols sheets;
        GetListTessarols(list, sheets);
        f->LoadTessarols(std::move(sheets), geographic);
    }
    f->ShowModal();
}

// ---- exports -----------------------------------------------------------------------------------------

void TfrmCreateTessarRg::Export(ExportKind kind) {
    const bool mif = kind == ExportKind::MifLL || kind == ExportKind::MifMetres || kind == ExportKind::MifKilometres;
    auto* dlg = Get<TSaveDialog>("SaveDialog1");
    // The workbook is Office Open XML, so the dialog offers .xlsx.
    dlg->SetFilter(mif ? "MapInfo 交换格式(*.mif)|*.mif" : "Microsoft Excel 工作簿(*.xlsx)|*.xlsx");
    dlg->SetDefaultExt(mif ? "mif" : "xlsx");
    dlg->SetFileName("");
    if (!dlg->Execute()) return;
    std::string file = dlg->FileName();
    if (!mif && EndsWithNoCase(file, ".xls")) file += "x";
    const int page = pages_->GetActivePageIndex();
    if (page < 0 || page > 4) return;
    if (page == 2 && (kind == ExportKind::MifLL || kind == ExportKind::MifKilometres)) return;

    const TStandardTessarols* sheets = nullptr;
    TStandardTessarols source;
    bool beijing = true, titled = true;
    switch (page) {
    case 0: sheets = &FSheets54; break;
    case 1: sheets = &FSheets80; beijing = false; break;
    case 3:
        if (ShowConfirmBox("导出目标图幅号请点“是”，导出原图幅号请点“否”。")) {
            sheets = &FConverted;
            beijing = Radio(7)->Checked();
        } else {
            GetListTessarols(lists_[3], source);
            sheets = &source;
            titled = false;
        }
        break;
    case 4: sheets = &FQueried; beijing = Radio(13)->Checked(); break;
    default: break;
    }
    const bool metres = kind != ExportKind::MifKilometres && kind != ExportKind::XlsKilometres;
    bool ok = true;
    std::string why;
    int cause = 0;  // the file system's errno, when that is what failed
    TfrmProgBar* const shownBefore = frmProgBar;
    {
        DisabledWhile busy(this);
        try {
            if (page == 2) {
                if (mif) ok = SaveCustomTessarolsToMif(file, FCustom);
                else ExportCustomTessarolsToExcel(file, "图幅表（独立坐标系）", kGridHeader, FCustom, true, false);
            } else if (kind == ExportKind::MifLL) {
                ok = SaveTessarolsToMifLL(file, *sheets);
            } else if (mif) {
                ok = SaveTessarolsToMif(file, *sheets, metres);
            } else {
                std::string title;
                if (titled)
                    title = std::string("图幅表（") + (beijing ? "北京54" : "西安80") + "坐标系，单位：" +
                            (metres ? "米" : "千米") + "）";
                ExportTessarolsToExcel(file, title, kStandardHeader, *sheets, metres, true, false);
            }
            if (!ok) cause = errno;
        } catch (const EOleException& e) {
            ok = false;
            why = e.Message;
            cause = e.ErrorCode;
        } catch (const Exception& e) {
            ok = false;
            why = e.Message;
        }
    }
    if (cause != 0) why = FileErrorText(cause);
    if (ok) return;
    // A progress form that this export opened stays where it stopped and can be closed; the box comes above it.
    if (frmProgBar && frmProgBar != shownBefore) {
        frmProgBar->Finish();
        Screen->SetCursor(crDefault);
    }
    ShowErrorBox(WithCause("导出文件“" + file + "”失败！", why));
}

void TfrmCreateTessarRg::N1Click(TObject*) { Export(ExportKind::MifLL); }
void TfrmCreateTessarRg::N2Click(TObject*) { Export(ExportKind::MifMetres); }
void TfrmCreateTessarRg::N8Click(TObject*) { Export(ExportKind::MifKilometres); }
void TfrmCreateTessarRg::Excel1Click(TObject*) { Export(ExportKind::XlsMetres); }
void TfrmCreateTessarRg::XLS1Click(TObject*) { Export(ExportKind::XlsKilometres); }

// ---- angle entry converters --------------------------------------------------------------------------

int TfrmCreateTessarRg::AngleGroupOfPopup() const {
    // The group of the edit the menu was opened on, not of whatever holds the focus.
    TComponent* source = Get<TPopupMenu>("PopupMenu2")->PopupComponent();
    for (int first : {1, 7, 14, 20, 32})
        if (source && source == FindComponent("VtSpinEdit" + std::to_string(first))) return first;
    return 0;
}

void TfrmCreateTessarRg::SetAngleGroup(int first, const TDmsAngle& lon, const TDmsAngle& lat) {
    const bool point = first == 32;
    Spin(first)->SetValue(lon.Degrees);
    Spin(first + 1)->SetValue(lon.Minutes);
    Spin(point ? 35 : first + 2)->SetValue(lon.Seconds);
    SetDms(point ? 36 : first + 3, lat);
}

void TfrmCreateTessarRg::N3Click(TObject*) {
    double v[2] = {0, 0};
    if (!InputPoint("输入", "经度", "纬度", v)) return;
    if (int first = AngleGroupOfPopup()) SetAngleGroup(first, DegreeToDms(v[0]), DegreeToDms(v[1]));
}

void TfrmCreateTessarRg::N4Click(TObject*) {
    const int first = AngleGroupOfPopup();
    const int tab = first == 1 || first == 7 ? 0 : first == 14 || first == 20 ? 1 : first == 32 ? 4 : -1;
    if (tab < 0) return;
    const double cm = Spin(tab == 0 ? 13 : tab == 1 ? 26 : 39)->Value();
    const bool zone3 = Combo(tab == 0 ? 1 : tab == 1 ? 3 : 8)->ItemIndex() == 0;
    const bool beijing = tab == 0 || (tab == 4 && Radio(13)->Checked());
    if (!(cm > 0)) {
        ShowInfoBox("必须先输入中央经度！");
        return;
    }
    double v[2] = {0, 0};
    if (!InputPoint("输入", "X坐标", "Y坐标", v)) return;
    // An easting typed without its zone prefix gets the engine's national prefix.
    const double prefix = GetZoneNumber(zone3, cm) * 1000000;
    const double x = v[0] > prefix ? v[0] : prefix + v[0];
    TDmsAngle lon, lat;
    if (beijing) XYToBL54(v[1], x, zone3, cm, lon, lat);
    else XYToBL80(v[1], x, zone3, cm, lon, lat);
    SetAngleGroup(first, lon, lat);
}

// ---- conversion page sources -------------------------------------------------------------------------

TfrmCreateTessarRg::SourceProjection TfrmCreateTessarRg::SourceProjectionOfPage() const {
    return {double(Spin(34)->Value()), Combo(6)->ItemIndex() == 0, Radio(7)->Checked(), Numeric(9)->Value(),
            Numeric(10)->Value()};
}

void TfrmCreateTessarRg::AddSourceItem(const std::string& typed, int standard, const SourceProjection& p) {
    const std::string no = Trim(typed);  // listed, found and exported as read, without the blanks around it
    TStandardTessarol t;
    t.SheetNo = no;
    const TDmsExtent e = standard == 1 ? OldSheetNoToExtent(no) : NewSheetNoToExtent(no);
    t.West = e.West;
    t.South = e.South;
    t.East = e.East;
    t.North = e.North;
    if (p.centralMeridian > 0) {
        auto project = p.beijing ? BLToXY54 : BLToXY80;
        t.LT = project(t.West, t.North, p.zone3, p.centralMeridian);
        t.RT = project(t.East, t.North, p.zone3, p.centralMeridian);
        t.RB = project(t.East, t.South, p.zone3, p.centralMeridian);
        t.LB = project(t.West, t.South, p.zone3, p.centralMeridian);
        for (TPlanePoint* q : {&t.LT, &t.RT, &t.RB, &t.LB}) {
            q->X -= p.offsetX;
            q->Y -= p.offsetY;
        }
    }
    lists_[3]->Items()->AddObject(no, new TTessarolObject(t));
}

void TfrmCreateTessarRg::OfferSourceMeridian(double cm, const char* question) {
    TVtSpinEdit* edit = Spin(34);
    if (edit->Value() == 0) edit->SetValue(cm);
    else if (edit->Value() != cm && ShowConfirmBox(Format(question, {cm})))
        edit->SetValue(cm);
}

void TfrmCreateTessarRg::VtToolbarButton20Click(TObject*) {
    std::string no;
    if (!InputString("增加", "请输入图幅号", no)) return;
    const int standard = GetSheetNoStandard(no);
    if (standard == 0) {
        ShowErrorBox("“" + no + "”不是标准图幅号！");
        return;
    }
    const TDmsExtent e = standard == 1 ? OldSheetNoToExtent(no) : NewSheetNoToExtent(no);
    OfferSourceMeridian(GetCentralMeridian(Combo(6)->ItemIndex() == 0, DmsToDegree(e.West)),
                        "该图幅号的中央经度是%.2f度，是否使用该值计算？");
    Radio(standard == 1 ? 5 : 6)->SetChecked(true);
    AddSourceItem(no, standard, SourceProjectionOfPage());
}

void TfrmCreateTessarRg::VtToolbarButton16Click(TObject*) {
    DeleteCheckedItems(lists_[3]);
    SetListCentralMeridian(lists_[3], Combo(6), Spin(34));
}

// ---- page-input text files ---------------------------------------------------------------------------

namespace {

const char* const kBadPageFile = "文件格式不符合规定！";

// A page file refused: the message names what is wrong, and the page keeps everything it held.
class EPageFile : public Exception {
    using Exception::Exception;
};

// Runs an open command; a refused file is reported in the error box.
template <class Read>
void RefusingBadFiles(Read read) {
    try {
        read();
    } catch (const EPageFile& e) {
        ShowErrorBox(e.Message);
    }
}

double FileNumber(const std::string& field) {
    double v;
    if (!TryStrToFloatAny(field, v)) throw EPageFile(kBadPageFile);
    return v;
}

int FileInteger(const std::string& field) {
    int v;
    if (!TryStrToInt(field, v)) throw EPageFile(kBadPageFile);
    return v;
}

// The fields of a line, which must be `least` to `most` of them.
TStringList FileFields(const std::string& line, char separator, int least, int most) {
    TStringList f = SplitString(line, separator);
    if (f.Count() < least || f.Count() > most) throw EPageFile(kBadPageFile);
    return f;
}

// At most `bytes` bytes of GBK text, never half a character.
std::string GbkPrefix(const std::string& s, size_t bytes) {
    size_t end = 0;
    while (end < s.size()) {
        const size_t next = end + (static_cast<unsigned char>(s[end]) >= 0x81 ? 2 : 1);
        if (next > bytes) break;
        end = next;
    }
    return s.substr(0, end);
}

// Page files are written with '.' whatever the locale: page 4 already uses ',' between its fields.
std::string DotDecimal(std::string s) {
    const char sep = GetDecimalSeparator();
    if (sep != '.') std::replace(s.begin(), s.end(), sep, '.');
    return s;
}

// Fixed notation with two decimals, or as many more as the value needs to read back unchanged.
std::string FixedDot(double v) {
    std::string t;
    for (int p = 2; p <= 17; ++p) {
        t = DotDecimal(Format("%.*f", {p, v}));
        double back;
        if (TryStrToFloatAny(t, back) && back == v) break;
    }
    return t;
}

[[noreturn]] void OutOfRange(int line, const std::string& text) {
    throw EPageFile("第" + IntToStr(line) + "行“" + text + "”的数值超出范围！");
}

// Angles travel in whole thousandths of a second, the precision of the seconds edits, so a carry
// never leaves 60 seconds or 60 minutes behind.
int64_t AngleMs(const TDmsAngle& a) { return Round(DmsToSeconds(a) * 1000); }

TDmsAngle MsToAngle(int64_t ms) {
    return {static_cast<double>(ms / 3600000), static_cast<double>(ms / 60000 % 60), static_cast<double>(ms % 60000) / 1000};
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (!DiskReadAll(path, bytes)) {
        const int cause = errno;
        throw EPageFile(WithCause("打开文件“" + path + "”失败！", cause == ENOENT ? "文件不存在。" : FileErrorText(cause)));
    }
    return bytes;
}

// Text of a file: no control characters but tab and line ends (a file in UTF-16 without its
// byte-order mark has NULs), every byte above 0x7F the lead of a GBK pair with its trail.
bool IsGbkText(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
        if (c < 0x80) continue;
        if (c == 0x80 || c == 0xFF || i + 1 == s.size()) return false;
        const auto t = static_cast<unsigned char>(s[++i]);
        if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
    }
    return true;
}

// Text marked as UTF-8 or UTF-16 taken to GBK; false when it does not decode whole.
bool MarkedTextToGbk(const std::string& text, const char* code, size_t unit, std::string& gbk) {
    static const std::string bad("\xFF\xFF\xFF\xFF", 4);  // no UTF-32 character has these bytes
    std::string wide;
    if (!ConvertEncoding(text, "UTF-32LE", code, bad, unit, wide)) return false;
    for (size_t i = 0; i + 4 <= wide.size(); i += 4) {
        const uint32_t ch = static_cast<unsigned char>(wide[i]) | static_cast<unsigned char>(wide[i + 1]) << 8 |
                            static_cast<uint32_t>(static_cast<unsigned char>(wide[i + 2])) << 16 |
                            static_cast<uint32_t>(static_cast<unsigned char>(wide[i + 3])) << 24;
        if (ch == 0xFFFFFFFFu || (ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n')) return false;
    }
    return ConvertEncoding(wide, "GBK", "UTF-32LE", "?", 4, gbk);
}

// The lines of a page file. A byte-order mark declares UTF-8 or UTF-16 text, which is taken to GBK;
// other text must be GBK. Blank lines at the end, as editors leave them, are no content, and a file
// without content is refused.
TStringList LoadPageFile(const std::string& path) {
    std::string text = ReadAll(path);
    struct Mark {
        const char* bytes;
        size_t size;
        const char* code;
        size_t unit;
    };
    bool marked = false;
    for (const Mark& m : {Mark{"\xEF\xBB\xBF", 3, "UTF-8", 1}, Mark{"\xFF\xFE", 2, "UTF-16LE", 2},
                          Mark{"\xFE\xFF", 2, "UTF-16BE", 2}}) {
        if (text.compare(0, m.size, m.bytes, m.size) != 0) continue;
        if (!MarkedTextToGbk(text.substr(m.size), m.code, m.unit, text)) throw EPageFile(kBadPageFile);
        marked = true;
        break;
    }
    if (!marked && !IsGbkText(text)) throw EPageFile(kBadPageFile);
    TStringList lines;
    lines.SetText(text);
    while (lines.Count() > 0 && Trim(lines[lines.Count() - 1]).empty()) lines.Delete(lines.Count() - 1);
    if (lines.Count() == 0) throw EPageFile(kBadPageFile);
    return lines;
}

// A point file's angle. Packed D.MMSS values are read from their digits: arithmetic on the packed
// number would turn 117.3000 into 117°29'100".
bool ReadPointAngle(const std::string& field, bool packed, TDmsAngle& a) {
    double v;
    if (!TryStrToFloatAny(field, v)) return false;
    if (!packed) {
        if (!(std::fabs(v) <= 360)) return false;
        a = DegreeToDms(v);
        return true;
    }
    const double sign = v < 0 ? -1 : 1;
    const std::string t = FloatToStrDot(std::fabs(v));
    if (t.find('E') != std::string::npos) {
        if (std::fabs(v) >= 1) return false;
        a = {0, 0, v * 10000};  // below 0.0001: a part of a second
        return true;
    }
    const size_t dot = t.find('.');
    std::string digits = dot == std::string::npos ? "" : t.substr(dot + 1);
    if (digits.size() < 4) digits.resize(4, '0');
    double seconds;
    const std::string secText = digits.substr(2, 2) + (digits.size() > 4 ? "." + digits.substr(4) : "");
    if (!TryStrToFloatAny(secText, seconds)) return false;
    const double minutes = (digits[0] - '0') * 10 + (digits[1] - '0');
    if (minutes >= 60 || seconds >= 60) return false;
    a = {sign * StrToFloatAny(t.substr(0, dot)), sign * minutes, sign * seconds};
    return true;
}

}  // namespace

bool TfrmCreateTessarRg::OpenPageFile(TStringList& lines) {
    auto* dlg = Get<TOpenDialog>("OpenDialog1");
    if (!dlg->Execute()) return false;
    lines = LoadPageFile(dlg->FileName());
    return true;
}

void TfrmCreateTessarRg::SaveLatLonPage(int page, TStringList& lines) {
    const int first = page == 0 ? 1 : 14;
    for (int k = 0; k < 4; ++k) {
        // Whole degrees and minutes, as the layout has them, without losing any fraction of either.
        const TDmsAngle a = MsToAngle(AngleMs(DmsOf(first + 3 * k)));
        lines.Add(Format("%d %d ", {static_cast<int>(a.Degrees), static_cast<int>(a.Minutes)}) + FixedDot(a.Seconds));
    }
    lines.Add(Combo(page == 0 ? 1 : 3)->ItemIndex() == 0 ? "3" : "6");
}

void TfrmCreateTessarRg::LoadLatLonPage(int page, const TStringList& lines) {
    const bool p0 = page == 0;
    const int first = p0 ? 1 : 14;
    // Everything is read before any edit is set, so a refused file leaves the page as it was.
    if (lines.Count() < 4) throw EPageFile(kBadPageFile);
    TDmsAngle angles[4] = {};
    for (int k = 0; k < 4; ++k) {
        const TStringList f = FileFields(lines[k], ' ', 1, 3);
        double v[3] = {0, 0, 0};
        for (int i = 0; i < f.Count(); ++i) v[i] = FileNumber(f[i]);
        // Fractions of degrees and minutes are carried down, since the edits show whole ones.
        if (v[0] < 0 || v[0] > 180 || v[1] < 0 || v[1] >= 60 || v[2] < 0 || v[2] >= 60) OutOfRange(k + 1, lines[k]);
        angles[k] = MsToAngle(AngleMs({v[0], v[1], v[2]}));
        if (DmsToDegree(angles[k]) > (k % 2 == 0 ? 180 : 90)) OutOfRange(k + 1, lines[k]);
    }
    int zone = 0;
    if (lines.Count() >= 5) {
        const std::string kind = Trim(lines[4]);
        if (kind != "3" && kind != "6") throw EPageFile(kBadPageFile);
        zone = kind == "6" ? 1 : 0;
    }
    for (int i = 5; i < 8 && i < lines.Count(); ++i) FileNumber(lines[i]);

    Check(p0 ? 1 : 2)->SetChecked(false);
    Numeric(p0 ? 1 : 3)->SetValue(0);
    Numeric(p0 ? 2 : 4)->SetValue(0);
    for (int k = 0; k < 4; ++k) SetDms(first + 3 * k, angles[k]);
    Combo(p0 ? 1 : 3)->SetItemIndex(zone);
    // The meridian follows the new corners and zone kind, as when the user changes them.
    if (p0) VtSpinEdit1Change(nullptr);
    else VtSpinEdit14Change(nullptr);
}

void TfrmCreateTessarRg::VtBitBtn2Click(TObject*) {
    const int page = pages_->GetActivePageIndex();
    if (page < 0 || page > 4) return;
    auto* dlg = Get<TSaveDialog>("SaveDialog1");
    dlg->SetFilter("文本文件(*.txt)|*.txt");
    dlg->SetDefaultExt("txt");
    dlg->SetFileName("");
    if (!dlg->Execute()) return;
    TStringList lines;
    switch (page) {
    case 0:
    case 1: SaveLatLonPage(page, lines); break;
    case 2:
        lines.Add(FixedDot(Numeric(5)->Value()) + " " + FixedDot(Numeric(6)->Value()));
        lines.Add(FixedDot(Numeric(7)->Value()) + " " + FixedDot(Numeric(8)->Value()));
        for (int s : {28, 30})
            lines.Add(Format("%d %d", {static_cast<long long>(Round(Spin(s)->Value())),
                                       static_cast<long long>(Round(Spin(s + 1)->Value()))}));
        lines.Add(Radio(9)->Checked() ? "1" : "0");
        break;
    case 3:
        for (int i = 0; i < lists_[3]->Items()->Count(); ++i) lines.Add(lists_[3]->Items()->Strings(i));
        break;
    case 4: {
        lines.Add("DMS");
        TItemStrings* items = lists_[5]->Items();
        for (int i = 0; i < items->Count(); ++i) {
            std::string t = items->Strings(i);
            if (size_t u = t.find('_'); u != std::string::npos) t[u] = ',';
            lines.Add(t);
        }
        break;
    }
    default: break;
    }
    try {
        lines.SaveToFile(dlg->FileName());
    } catch (const Exception&) {
        ShowErrorBox(WithCause("保存文件“" + dlg->FileName() + "”失败！", FileErrorText(errno)));
    }
}

void TfrmCreateTessarRg::VtToolbarButton12Click(TObject*) {
    RefusingBadFiles([this] {
        if (TStringList lines; OpenPageFile(lines)) LoadLatLonPage(0, lines);
    });
}

void TfrmCreateTessarRg::VtToolbarButton13Click(TObject*) {
    RefusingBadFiles([this] {
        if (TStringList lines; OpenPageFile(lines)) LoadLatLonPage(1, lines);
    });
}

void TfrmCreateTessarRg::VtToolbarButton24Click(TObject*) {
    RefusingBadFiles([this] {
        if (TStringList lines; OpenPageFile(lines)) LoadGridPage(lines);
    });
}

void TfrmCreateTessarRg::LoadGridPage(const TStringList& lines) {
    if (lines.Count() != 5) throw EPageFile(kBadPageFile);
    double range[4];
    int whole[4];
    for (int k = 0; k < 2; ++k) {
        const TStringList f = FileFields(lines[k], ' ', 2, 2);
        range[2 * k] = FileNumber(f[0]);
        range[2 * k + 1] = FileNumber(f[1]);
    }
    for (int k = 0; k < 2; ++k) {
        const TStringList f = FileFields(lines[k + 2], ' ', 2, 2);
        for (int i = 0; i < 2; ++i) {
            whole[2 * k + i] = FileInteger(f[i]);
            TVtSpinEdit* edit = Spin(28 + 2 * k + i);
            if (whole[2 * k + i] < edit->Min() || whole[2 * k + i] > edit->Max()) OutOfRange(k + 3, lines[k + 2]);
        }
    }
    const std::string kind = Trim(lines[4]);
    if (kind != "1" && kind != "0") throw EPageFile(kBadPageFile);
    const bool rowCol = kind == "1";
    for (int i = 0; i < 4; ++i) Numeric(5 + i)->SetValue(range[i]);
    for (int i = 0; i < 4; ++i) Spin(28 + i)->SetValue(whole[i]);
    // The radio's click sets the naming template and the start-number edits, as a click by the user does.
    Radio(rowCol ? 9 : 10)->SetChecked(true);
}

void TfrmCreateTessarRg::VtToolbarButton14Click(TObject*) {
    RefusingBadFiles([this] {
        if (TStringList lines; OpenPageFile(lines)) LoadSourcesPage(lines);
    });
}

void TfrmCreateTessarRg::LoadSourcesPage(const TStringList& lines) {
    // A file without a single sheet number leaves the meridian alone.
    const double west = GetWestmostLongitude(lines);
    if (west < 360)
        OfferSourceMeridian(GetCentralMeridian(Combo(6)->ItemIndex() == 0, west),
                            "该文件图幅号计算的中央经度是%.2f度，是否使用该值计算？");
    const SourceProjection projection = SourceProjectionOfPage();
    // The report names the first few lines, each on one line of the box, and still ends in its verdict.
    constexpr int kListed = 20;
    constexpr size_t kLineBytes = 40;
    std::string bad;
    int badCount = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        const int standard = GetSheetNoStandard(lines[i]);
        if (standard != 0) {
            AddSourceItem(lines[i], standard, projection);
        } else if (++badCount <= kListed) {
            bad += GbkPrefix(lines[i], kLineBytes) + (lines[i].size() > kLineBytes ? "……" : "") + "\r\n";
        }
    }
    if (badCount > kListed) bad += "……\r\n";
    if (badCount > 0) ShowErrorBox(bad + "以上不是标准图幅号！");
}

void TfrmCreateTessarRg::VtToolbarButton26Click(TObject*) {
    RefusingBadFiles([this] {
        if (TStringList lines; OpenPageFile(lines)) LoadPointsPage(lines);
    });
}

void TfrmCreateTessarRg::LoadPointsPage(const TStringList& lines) {
    const std::string word = UpperCase(Trim(lines[0]));
    if (word != "D" && word != "DMS") throw EPageFile(kBadPageFile);
    // The whole file is read before any point is listed: a refused file adds nothing.
    std::vector<TStandardTessarol> points;
    for (int i = 1; i < lines.Count(); ++i) {
        if (Trim(lines[i]).empty()) continue;
        const TStringList f = FileFields(lines[i], ',', 2, 2);
        TDmsAngle lon, lat;
        if (!ReadPointAngle(f[0], word == "DMS", lon) || !ReadPointAngle(f[1], word == "DMS", lat))
            throw EPageFile(kBadPageFile);
        if (!(DmsToSeconds(lon) > 0) && !(DmsToSeconds(lat) > 0)) continue;
        if (DmsToSeconds(lon) < 0 || DmsToSeconds(lat) < 0 || DmsToDegree(lon) > 180 || DmsToDegree(lat) > 90)
            throw EPageFile(kBadPageFile);
        TStandardTessarol p;
        p.West = MsToAngle(AngleMs(lon));
        p.South = MsToAngle(AngleMs(lat));
        points.push_back(p);
    }
    for (const TStandardTessarol& p : points)
        lists_[5]->Items()->AddObject(PointItemText(p.West, p.South), new TTessarolObject(p));
    SetListCentralMeridian(lists_[5], Combo(8), Spin(39));
}
