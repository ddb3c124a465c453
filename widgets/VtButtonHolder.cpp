#include "widgets/VtButton.h"

#include "platform/ui/Forms.h"
#include "widgets/VtCommon.h"

// ---- TVtButtonHolder ----

QM_ABSTRACT_CLASS_RECORD(TVtButtonHolder, TWinControl)

TVtButtonHolder::TVtButtonHolder(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(ControlStyle() & ~uint32_t(csAcceptsControls | csSetCaption));
    SetParentColor(false);
    SetColor(clBtnFace);
    first_ = new TVtControlButton(this);
    second_ = new TVtControlButton(this);
    for (TVtControlButton* b : {first_, second_}) {
        b->SetParent(this);
        b->OnMouseDown = [this, b](TObject*, TMouseButton mb, TShiftState, int, int) { Pressing(b, mb); };
    }
}

void TVtButtonHolder::SetFlat(bool f) {
    first_->SetFlat(f);
    second_->SetFlat(f);
}

void TVtButtonHolder::SetButtonColor(TColor c) {
    SetColor(c);
    first_->SetColor(c);
    second_->SetColor(c);
}

// Every way the holder's colour changes (Color, ParentColor, a form) ends here; the buttons keep their own
// colour otherwise, so they are told explicitly.
void TVtButtonHolder::Dispatch(TMessage& m) {
    TWinControl::Dispatch(m);
    if (m.Msg == CM_COLORCHANGED && first_) {
        first_->SetColor(Color());
        second_->SetColor(Color());
    }
}

void TVtButtonHolder::SetEnabled(bool e) {
    TWinControl::SetEnabled(e);
    first_->SetEnabled(e);
    second_->SetEnabled(e);
}

void TVtButtonHolder::SetFocusControl(TWinControl* c) {
    if (c == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = c;
    if (c) c->FreeNotification(this);
}

void TVtButtonHolder::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op == opRemove && c == focusControl_) focusControl_ = nullptr;
}

void TVtButtonHolder::Pressing(TVtControlButton* b, TMouseButton mb) {
    if (mb != mbLeft) return;
    bool taken = true;
    if (focusControl_ && focusControl_->TabStop() && focusControl_->CanFocus()) {
        if (!focusControl_->Focused()) focusControl_->SetFocus();
        taken = focusControl_->Focused();
    } else if (TabStop() && CanFocus() && !Focused()) {
        SetFocus();
        taken = Focused();
    }
    if (!taken) b->AbortPress();
}
