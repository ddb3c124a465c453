// What the button sources share among themselves.
#pragma once

#include <type_traits>

#include "platform/ui/ActnList.h"
#include "widgets/VtButton.h"

// Down stands for the action's Checked; the tool button also shows the action's image index.
template <class B>
class TDownActionLink : public TControlActionLink {
public:
    explicit TDownActionLink(B* b) : TControlActionLink(b), button_(b) {}
    bool IsCheckedLinked() const override {
        return TControlActionLink::IsCheckedLinked() && button_->Down() == Act()->Checked();
    }
    void SetChecked(bool c) override {
        if (IsCheckedLinked()) button_->SetDown(c);
    }
    bool IsImageIndexLinked() const override {
        if constexpr (std::is_same_v<B, TVtToolButton>)
            return TControlActionLink::IsImageIndexLinked() && button_->ImageIndex() == Act()->ImageIndex();
        else
            return TControlActionLink::IsImageIndexLinked();
    }
    void SetImageIndex(int i) override {
        if constexpr (std::is_same_v<B, TVtToolButton>)
            if (IsImageIndexLinked()) button_->SetImageIndex(i);
    }
    bool IsCaptionLinked() const override {
        if constexpr (std::is_same_v<B, TVtToolbarButton>)
            if (button_->IgnoreActionCaption()) return false;
        return TControlActionLink::IsCaptionLinked();
    }

protected:
    B* button_;
};
