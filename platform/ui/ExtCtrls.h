// The timer component: OnTimer every Interval milliseconds while Enabled, on the message loop.
#pragma once

#include <memory>

#include "platform/ui/Component.h"
#include "platform/ui/Controls.h"

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    QM_CLASS_INFO
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e);
    // Milliseconds; 0 stops the timer. Setting it restarts the count.
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    TNotifyEvent OnTimer;
    void SetOnTimer(TNotifyEvent e);
    void Loaded() override;

private:
    void Update();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    struct Impl;
    std::unique_ptr<Impl> d_;
};
