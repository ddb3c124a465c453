#include "app/unProgBar.h"

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FormLoader.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "widgets/VtButton.h"
#include "widgets/VtPrgres.h"

TfrmProgBar* frmProgBar = nullptr;

const TClassInfo& TfrmProgBar::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TfrmProgBar", &TForm::StaticClass(), {}, {}, {}};
        c.methods = {Method("VtBitBtn1Click", &TfrmProgBar::VtBitBtn1Click)};
        return c;
    }();
    return ci;
}

TfrmProgBar::TfrmProgBar(TComponent* owner) : TForm(owner) {
    InitComponentFromResource(this);
    VtProgressBar1 = dynamic_cast<TVtProgressBar*>(FindComponent("VtProgressBar1"));
    VtBitBtn1 = dynamic_cast<TVtBitBtn*>(FindComponent("VtBitBtn1"));
}

void TfrmProgBar::VtBitBtn1Click(TObject*) { Close(); }

void TfrmProgBar::Finish() {
    VtBitBtn1->SetEnabled(true);
    if (VtBitBtn1->CanFocus()) VtBitBtn1->SetFocus();
}

void TProgBarProgress::NewDialog() {
    frmProgBar = new TfrmProgBar(Application);
    frmProgBar->AfterConstruction();
}
std::string TProgBarProgress::Caption() { return frmProgBar->Caption(); }
void TProgBarProgress::SetCaption(const std::string& caption) { frmProgBar->SetCaption(caption); }
void TProgBarProgress::SetTotalParts(uint32_t total) { frmProgBar->VtProgressBar1->SetTotalParts(total); }
void TProgBarProgress::IncPartsByOne() { frmProgBar->VtProgressBar1->IncPartsByOne(); }
void TProgBarProgress::SetButtonEnabled(bool enabled) {
    if (enabled)
        frmProgBar->Finish();
    else
        frmProgBar->VtBitBtn1->SetEnabled(false);
}
void TProgBarProgress::Show() { frmProgBar->Show(); }
void TProgBarProgress::ProcessMessages() { Application->ProcessMessages(); }
void TProgBarProgress::SetHourglass(bool on) { Screen->SetCursor(on ? crHourGlass : crDefault); }
