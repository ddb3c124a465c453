#include "app/unInputPoint.h"

#include <memory>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtEdit.h"
#include "widgets/VtSpnEdt.h"

QM_ABSTRACT_CLASS_RECORD(TfrmInputPoint, TForm)

TfrmInputPoint::TfrmInputPoint(TComponent* owner) : TForm(owner) { InitComponentFromResource(this); }

bool InputPoint(const std::string& title, const std::string& firstLabel, const std::string& secondLabel,
                double values[2]) {
    std::unique_ptr<TfrmInputPoint> f(new TfrmInputPoint(Application));
    f->SetCaption(title);
    dynamic_cast<TControl*>(f->FindComponent("VtLabel1"))->SetCaption(firstLabel);
    dynamic_cast<TControl*>(f->FindComponent("VtLabel2"))->SetCaption(secondLabel);
    auto* a = dynamic_cast<TVtNumericEdit*>(f->FindComponent("VtNumericEdit1"));
    auto* b = dynamic_cast<TVtNumericEdit*>(f->FindComponent("VtNumericEdit2"));
    a->SetValue(values[0]);
    b->SetValue(values[1]);
    if (f->ShowModal() != mrOk) return false;
    values[0] = a->Value();
    values[1] = b->Value();
    return true;
}
