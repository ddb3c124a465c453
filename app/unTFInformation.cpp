#include "app/unTFInformation.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtEdit.h"
#include "widgets/VtSpnEdt.h"
#include "widgets/VtTabs.h"

QM_ABSTRACT_CLASS_RECORD(TfrmTFInformation, TForm)

TfrmTFInformation* frmTFInformation = nullptr;

TfrmTFInformation::TfrmTFInformation(TComponent* owner) : TForm(owner) { InitComponentFromResource(this); }

void TfrmTFInformation::SetNumber(int edit, double v) {
    dynamic_cast<TVtNumericEdit*>(FindComponent("VtNumericEdit" + std::to_string(edit)))->SetValue(v);
}

void TfrmTFInformation::ShowSheet(const TStandardTessarol& s) {
    dynamic_cast<TControl*>(FindComponent("VtEdit1"))->SetText(s.SheetNo);
    const TDmsAngle* angles[] = {&s.West, &s.South, &s.East, &s.North};
    const int first[] = {1, 4, 7, 10};
    for (int k = 0; k < 4; ++k) {
        SetNumber(first[k], angles[k]->Degrees);
        SetNumber(first[k] + 1, angles[k]->Minutes);
        SetNumber(first[k] + 2, angles[k]->Seconds);
    }
    SetNumber(21, DmsToDegree(s.West));
    SetNumber(22, DmsToDegree(s.South));
    SetNumber(23, DmsToDegree(s.East));
    SetNumber(24, DmsToDegree(s.North));
    const TPlanePoint* corners[] = {&s.LB, &s.LT, &s.RT, &s.RB};  // south-west, north-west, north-east, south-east
    for (int k = 0; k < 4; ++k) {
        SetNumber(13 + 2 * k, corners[k]->X);
        SetNumber(14 + 2 * k, corners[k]->Y);
    }
}

void TfrmTFInformation::ShowGridSheet(const TCustomTessarol& s) {
    dynamic_cast<TControl*>(FindComponent("VtEdit1"))->SetText(s.Name);
    const double xy[8] = {s.MinX, s.MinY, s.MinX, s.MaxY, s.MaxX, s.MaxY, s.MaxX, s.MinY};
    for (int k = 0; k < 8; ++k) SetNumber(13 + k, xy[k]);
}

void ShowTFInformation(const TStandardTessarol& sheet, int left, int top) {
    std::unique_ptr<TfrmTFInformation> f(new TfrmTFInformation(Application));
    frmTFInformation = f.get();
    struct Forget {
        ~Forget() { frmTFInformation = nullptr; }
    } forget;
    f->SetPosition(poDesigned);
    // A position computed off the screen would hide the modal dialog, and the program would seem hung.
    f->SetLeft(std::max(0, std::min(left, Screen->Width() - f->Width())));
    f->SetTop(std::max(0, std::min(top, Screen->Height() - f->Height())));
    f->SetCaption("图幅信息");
    f->ShowSheet(sheet);
    f->ShowModal();
}
