#include "app/unInputString.h"

#include <memory>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtEdit.h"
#include "widgets/VtSpnEdt.h"

QM_ABSTRACT_CLASS_RECORD(TfrmInputString, TForm)

TfrmInputString::TfrmInputString(TComponent* owner) : TForm(owner) { InitComponentFromResource(this); }

bool InputString(const std::string& caption, const std::string& prompt, std::string& text) {
    std::unique_ptr<TfrmInputString> f(new TfrmInputString(Application));
    f->SetCaption(caption);
    dynamic_cast<TControl*>(f->FindComponent("VtLabel1"))->SetCaption(prompt);
    auto* edit = dynamic_cast<TControl*>(f->FindComponent("VtEdit1"));
    edit->SetText(text);
    if (f->ShowModal() != mrOk) return false;
    text = edit->Text();
    return true;
}
