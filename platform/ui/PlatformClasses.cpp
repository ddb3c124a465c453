#include "platform/ui/PlatformClasses.h"

#include "platform/ui/ActnList.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

namespace {
const std::vector<TFormValue>& ListOf(const TFormValue& v) {
    if (v.kind != TFormValue::List) throw EFormResourceError("a list of values expected");
    return v.items;
}
void ReadStrings(TItemStrings* items, const TFormValue& v) {
    items->Clear();
    for (auto& s : ListOf(v)) {
        if (s.kind != TFormValue::String && s.kind != TFormValue::Ident)
            throw EFormResourceError("a list of strings expected");
        items->Add(s.s);
    }
}
void Drop(const TClassInfo& c, const std::string& name) {
    RegisterPropertyReader(c, name, [](TObject*, const TFormValue&) {});
}
}  // namespace

void RegisterPlatformClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    for (const TClassInfo* c :
         {&TForm::StaticClass(), &TMenuItem::StaticClass(), &TPopupMenu::StaticClass(), &TTimer::StaticClass(),
          &TImageList::StaticClass(), &TOpenDialog::StaticClass(), &TSaveDialog::StaticClass(), &TEdit::StaticClass(),
          &TListBox::StaticClass(), &TComboBox::StaticClass(), &TButton::StaticClass(), &TCheckBox::StaticClass(),
          &TRadioButton::StaticClass(), &TGroupBox::StaticClass(), &TLabel::StaticClass(),
          &TSpeedButton::StaticClass(), &TPanel::StaticClass(), &TPageControl::StaticClass(),
          &TTabSheet::StaticClass(), &TActionList::StaticClass(), &TAction::StaticClass()})
        RegisterClass(*c);

    RegisterPropertyReader(TCustomListBox::StaticClass(), "Items.Strings", [](TObject* o, const TFormValue& v) {
        ReadStrings(static_cast<TCustomListBox*>(o)->Items(), v);
    });
    RegisterPropertyReader(TCustomComboBox::StaticClass(), "Items.Strings", [](TObject* o, const TFormValue& v) {
        auto* cb = static_cast<TCustomComboBox*>(o);
        std::string text = cb->Text();
        ReadStrings(cb->Items(), v);
        cb->SetText(text);
    });
    // Designer bookkeeping of form resources, with no effect at run time.
    for (const char* name : {"PixelsPerInch", "TextHeight", "OldCreateOrder"}) Drop(TCustomForm::StaticClass(), name);

    RegisterChildAdopter(TActionList::StaticClass(), [](TComponent* parent, TComponent* child) {
        auto* action = dynamic_cast<TAction*>(child);
        if (!action) throw EFormResourceError(child->Name() + " is not an action");
        action->SetActionList(static_cast<TActionList*>(parent));
    });
    RegisterChildAdopter(TPageControl::StaticClass(), [](TComponent* parent, TComponent* child) {
        auto* sheet = dynamic_cast<TTabSheet*>(child);
        if (!sheet) throw EFormResourceError(child->Name() + " is not a tab sheet");
        sheet->SetPageControl(static_cast<TPageControl*>(parent));
    });
    for (auto& [name, value] : std::initializer_list<std::pair<const char*, int64_t>>{
             {"mrNone", mrNone}, {"mrOk", mrOk}, {"mrCancel", mrCancel}, {"mrAbort", mrAbort}, {"mrRetry", mrRetry},
             {"mrIgnore", mrIgnore}, {"mrYes", mrYes}, {"mrNo", mrNo}, {"mrAll", mrAll}})
        RegisterIntegerIdent(name, value);
}
