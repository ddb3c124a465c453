#include "platform/ui/ExtCtrls.h"

#include <QTimer>

#include "platform/ui/Backend.h"
#include "platform/ui/Forms.h"

struct TTimer::Impl {
    QTimer timer;
};

const TClassInfo& TTimer::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TTimer", &TComponent::StaticClass(), Creator<TTimer>(), {}, {}};
        c.props = {BoolProp<TTimer>("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, 1),
                   OrdProp<TTimer, unsigned>("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000),
                   EventProp("OnTimer", &TTimer::OnTimer)};
        return c;
    }();
    return ci;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    Application->Initialize();
    d_ = std::make_unique<Impl>();
    QTimer* timer_ = &d_->timer;
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
        if (OnTimer) Backend::Guard([this] { OnTimer(this); });
    });
}

TTimer::~TTimer() { d_->timer.stop(); }

void TTimer::Update() {
    if (enabled_ && interval_ > 0 && !IsLoading())
        d_->timer.start(int(interval_));
    else
        d_->timer.stop();
}

void TTimer::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    Update();
}

void TTimer::SetInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Update();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
    OnTimer = std::move(e);
    Update();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    Update();
}
