// The main window: five working pages, their result lists and the commands below them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/unTessarRgPub.h"
#include "platform/ui/Forms.h"

class TVtCheckList;
class TVtSpinEdit;
class TVtNumericEdit;
class TVtComboBox;
class TVtCheckBox;
class TVtRadioButton;
class TVtPageControl;
class TVtBitBtn;
class TVtEdit;
class TItemStrings;
class TMenuItem;
class TPopupMenu;

// The object of every result-list item: one sheet record. An item of a page's result list refers to the
// record in the page's result field, which the window keeps in step with the list; any other holds its own
// copy. Neither record can be changed through the object.
class TTessarolObject final : public TObject {
public:
    // Holds a copy of the record.
    explicit TTessarolObject(const TStandardTessarol& rec);
    static TTessarolObject* CreateCustom(const TCustomTessarol& rec);
    // Refers to the record, which must outlive the object.
    struct ReferTag {};
    static constexpr ReferTag Refer{};
    TTessarolObject(ReferTag, const TStandardTessarol& rec);
    TTessarolObject(ReferTag, const TCustomTessarol& rec);
    TStandardTessarol GetTessarol() const { return Tessarol; }
    TCustomTessarol GetCustomTessarol() const { return CustomTessarol; }

private:
    struct Copy {
        TStandardTessarol standard;
        TCustomTessarol custom;
    };
    explicit TTessarolObject(std::unique_ptr<Copy> copy);
    std::unique_ptr<Copy> copy_;

public:
    // Only one of the two is filled, by the constructor used; the other is empty.
    const TStandardTessarol& Tessarol;
    const TCustomTessarol& CustomTessarol;
};

class TfrmCreateTessarRg : public TForm {
public:
    explicit TfrmCreateTessarRg(TComponent* owner);
    ~TfrmCreateTessarRg() override;
    QM_CLASS_INFO

    // Handlers bound by the form resource.
    void FormCreate(TObject* sender);
    void VtBitBtn1Click(TObject* sender);
    void VtBitBtn3Click(TObject* sender);
    void VtPageControl1Change(TObject* sender);
    void VtListBoxDrawItem(TWinControl* control, int index, TRect rect, uint16_t state);
    void mnuSelAllClick(TObject* sender);
    void mnuSelNoneClick(TObject* sender);
    void N7Click(TObject* sender);
    void PopupMenu3Popup(TObject* sender);
    void VtSpinEdit1Change(TObject* sender);
    void VtSpinEdit14Change(TObject* sender);
    void VtCheckBox1Click(TObject* sender);
    void VtCheckBox2Click(TObject* sender);
    void VtCheckBox3Click(TObject* sender);
    void VtCheckBox4Click(TObject* sender);
    void VtComboBox6Change(TObject* sender);
    void VtComboBox8Change(TObject* sender);
    void VtSpinEdit34Change(TObject* sender);
    void VtSpinEdit39Change(TObject* sender);
    void VtSpinEdit13Change(TObject* sender);
    void VtSpinEdit26Change(TObject* sender);
    void ShowInfoClick(TObject* sender);
    void ShowCustomInfoClick(TObject* sender);
    void ImportCornersClick(TObject* sender);
    void ImportGridSheetClick(TObject* sender);
    void DeleteClick(TObject* sender);
    void DeletePointsClick(TObject* sender);
    void FindClick(TObject* sender);
    void VtToolbarButton23Click(TObject* sender);
    void VtRadioButton9Click(TObject* sender);
    void VtRadioButton10Click(TObject* sender);
    void VtToolbarButton16Click(TObject* sender);
    void VtToolbarButton20Click(TObject* sender);
    void N3Click(TObject* sender);
    void N4Click(TObject* sender);
    void N1Click(TObject* sender);
    void N2Click(TObject* sender);
    void N8Click(TObject* sender);
    // The preview of the active page's list: geographic (N5) or projected (N6).
    void N5Click(TObject* sender);
    void N6Click(TObject* sender);
    void Excel1Click(TObject* sender);
    void XLS1Click(TObject* sender);
    // Page-input text files: save the active page, open into pages 0, 1, 2, 3 and 4.
    void VtBitBtn2Click(TObject* sender);
    void VtToolbarButton12Click(TObject* sender);
    void VtToolbarButton13Click(TObject* sender);
    void VtToolbarButton24Click(TObject* sender);
    void VtToolbarButton14Click(TObject* sender);
    void VtToolbarButton26Click(TObject* sender);

    // Result fields, replaced whole by Generate on their page.
    const TStandardTessarols& Sheets54() const { return FSheets54; }
    const TStandardTessarols& Sheets80() const { return FSheets80; }
    const TStandardTessarols& Converted() const { return FConverted; }
    const TStandardTessarols& Queried() const { return FQueried; }
    const TCustomTessarols& Custom() const { return FCustom; }

    // Moved in, the sheets become the result field without a copy.
    void AddTessarolsToList(TStandardTessarols&& sheets, TVtCheckList* list, int kind, double offsetX,
                            double offsetY);
    void AddTessarolsToList(const TStandardTessarols& sheets, TVtCheckList* list, int kind, double offsetX,
                            double offsetY);
    void AddCustomTessarolsToList(TCustomTessarols&& sheets, TVtCheckList* list);
    void AddCustomTessarolsToList(const TCustomTessarols& sheets, TVtCheckList* list);
    void DeleteCheckedItems(TVtCheckList* list);
    void FindInList(TVtCheckList* list);
    void GetListTessarols(TVtCheckList* list, TStandardTessarols& sheets);
    void GetListCustomTessarols(TVtCheckList* list, TCustomTessarols& sheets);
    void ShowListItemInfo(TVtCheckList* list);
    void ShowTessarolInfo(const TStandardTessarol& sheet);
    // Smallest west longitude of the items that are sheet numbers: 0 for no items, 360 when none is one.
    static double GetWestmostLongitude(const TItemStrings& items);
    static double GetWestmostLongitude(const TStringList& lines);
    static std::string FormatDmsPart(double v);
    // A point item's text: longitude and latitude in the packed D.MMSS form, joined by "_".
    static std::string PointItemText(const TDmsAngle& lon, const TDmsAngle& lat);
    // The zone prefix (n x 1,000,000) into the offset edit when the box is ticked, else 0.
    static void SetZoneOffset(TVtCheckBox* box, bool threeDegree, TVtNumericEdit* offset, double centralMeridian);
    static void UpdateCentralMeridian(const TDmsAngle& longitude, bool threeDegree, TVtSpinEdit* meridian);

    // The page's result list (and its delete, find and info buttons act on it).
    TVtCheckList* ListOf(TObject* button) const;
    TVtCheckList* CheckList(int n) const { return lists_[n - 1]; }

private:
    template <class T>
    T* Get(const std::string& name) const;
    TVtSpinEdit* Spin(int n) const;
    TVtNumericEdit* Numeric(int n) const;
    TVtComboBox* Combo(int n) const;
    TVtCheckBox* Check(int n) const;
    TVtRadioButton* Radio(int n) const;
    TDmsAngle DmsOf(int firstSpin) const;
    void SetDms(int firstSpin, const TDmsAngle& a);
    void Generate(int page);
    void GenerateLatLon(int page);
    void ClearItems(TVtCheckList* list);
    // The result field a list shows (nullptr for the source and point lists) and the objects of its items.
    TStandardTessarols* FieldOf(const TVtCheckList* list);
    std::vector<TTessarolObject>& ReferringOf(const TVtCheckList* list);
    // Refuses (ERangeError), keeping the list, a result of `sheets` that would not fit beside what stays;
    // else empties the list and its field first, so that the old result and the new never stand together.
    void MakeRoomFor(long long sheets, size_t bytesEach, TVtCheckList* list);
    // The items of the list refer to the field's records, in order.
    template <class Rows>
    void ListReferring(const Rows& field, TVtCheckList* list);
    void SetListCentralMeridian(TVtCheckList* list, TVtComboBox* zone, TVtSpinEdit* meridian);
    // Corners of conversion source items: the page's meridian (none when not above 0), datum and offsets.
    struct SourceProjection {
        double centralMeridian;
        bool zone3, beijing;
        double offsetX, offsetY;
    };
    SourceProjection SourceProjectionOfPage() const;
    // A conversion source item for number `no` of standard 1 or 2.
    void AddSourceItem(const std::string& no, int standard, const SourceProjection& p);
    // Asks on a meridian other than the edit's (unless the edit holds 0) and sets it on Yes.
    void OfferSourceMeridian(double cm, const char* question);
    // The lines of the file chosen in the open dialog; false on Cancel.
    bool OpenPageFile(TStringList& lines);
    void SaveLatLonPage(int page, TStringList& lines);
    // Readers of the open commands; a refused file throws before the page changes.
    void LoadLatLonPage(int page, const TStringList& lines);
    void LoadGridPage(const TStringList& lines);
    void LoadSourcesPage(const TStringList& lines);
    void LoadPointsPage(const TStringList& lines);
    // The first longitude edit of the group whose degree edit opened the angle popup, or 0.
    int AngleGroupOfPopup() const;
    void SetAngleGroup(int first, const TDmsAngle& lon, const TDmsAngle& lat);
    enum class ExportKind { MifLL, MifMetres, MifKilometres, XlsMetres, XlsKilometres };
    void Export(ExportKind kind);
    void Preview(bool geographic);

    TStandardTessarols FSheets54, FSheets80, FConverted, FQueried;
    TCustomTessarols FCustom;
    TVtCheckList* lists_[7] = {};
    // By list: the objects of the items that refer to the list's result field, in item order.
    std::vector<TTessarolObject> referring_[7];
    TVtPageControl* pages_ = nullptr;
};

extern TfrmCreateTessarRg* frmCreateTessarRg;

void RegisterAppClasses();
