#include <QWidget>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Backend.h"
#include "platform/ui/QtGlue.h"

QM_CLASS_RECORD(THintWindow, TCustomControl)

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    // A window of its own, shown without taking the activation from the form under it.
    widget_ = std::make_unique<TControlWidget>(this, true);
    widget_->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    widget_->setAttribute(Qt::WA_ShowWithoutActivating);
    widget_->setFocusPolicy(Qt::NoFocus);
    SetVisible(false);
    SetColor(clInfoBk);
    SetParentColor(false);
    Font()->SetColor(clInfoText);
}

TRect THintWindow::CalcHintRect(const std::string& text) {
    TBitmap b(1, 1);
    b.Canvas()->SetFont(*Font());
    return TRect(0, 0, b.Canvas()->TextWidth(text) + 6, b.Canvas()->TextHeight(text) + 4);
}

void THintWindow::ActivateHint(TRect r, const std::string& text) {
    bool again = shown_ && text == Text() && r == BoundsRect();
    if (again) return;
    SetText(text);
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    HandleNeeded();
    Invalidate();
    shown_ = true;
    SetVisible(true);
    widget_->show();
}

void THintWindow::ReleaseHandle() {
    if (!shown_) return;
    shown_ = false;
    SetVisible(false);
    widget_->hide();
}

void THintWindow::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(r);
    c->SetFont(*Font());
    c->Brush()->SetStyle(bsClear);
    c->TextOut(3, 2, Text());
    c->Brush()->SetStyle(bsSolid);
}
