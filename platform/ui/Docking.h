// Docking: the manager interface a dock site lays out and paints its docked controls through, the default
// tree of zones with a grabber per control, and the small form a control floats in once dragged out.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/Forms.h"

// What a dock site asks of its manager. Points and rectangles are in the site's client coordinates unless
// said otherwise.
class TDockManager {
public:
    virtual ~TDockManager() = default;
    // A control has just been parented to the site: place it beside dropControl (nullptr: where a new one goes)
    // on the side insertAt (alClient or alNone: the site's own choice).
    virtual void InsertControl(TControl* control, TAlign insertAt, TControl* dropControl) = 0;
    virtual void RemoveControl(TControl* control) = 0;
    // Draws the grabbers, after the site has painted itself.
    virtual void PaintSite(TCanvas* canvas) = 0;
    // The zone of a docked control, its grabber included; empty when it is not in the tree or hidden.
    virtual void GetControlBounds(TControl* control, TRect& r) = 0;
    // Places the docked controls in the site's area (force: even when nothing seems to have changed).
    virtual void ResetBounds(bool force) = 0;
    // Where a control dropped beside dropControl on the side dropAlign would go, in screen coordinates.
    virtual void PositionDockRect(TControl* client, TControl* dropControl, TAlign dropAlign, TRect& dockRect) = 0;
    // The site's messages come here first (mouse on a grabber, focus changes); true: the manager took it.
    virtual bool HandleSiteMessage(TMessage& m) = 0;
};

// Zones in a tree: a split stacks its children top to bottom (doHorizontal) or side by side (doVertical).
enum TDockOrientation : uint8_t { doNoOrient, doHorizontal, doVertical };

class TDockTree : public TDockManager {
public:
    explicit TDockTree(TWinControl* site);
    ~TDockTree() override;

    void InsertControl(TControl* control, TAlign insertAt, TControl* dropControl) override;
    void RemoveControl(TControl* control) override;
    void PaintSite(TCanvas* canvas) override;
    void GetControlBounds(TControl* control, TRect& r) override;
    void ResetBounds(bool force) override;
    void PositionDockRect(TControl* client, TControl* dropControl, TAlign dropAlign, TRect& dockRect) override;
    bool HandleSiteMessage(TMessage& m) override;

    TWinControl* Site() const { return site_; }
    // Grabbers run along the top of each zone, except in a site aligned to the top or bottom, where they stand
    // at the left.
    bool GrabbersOnTop() const;
    virtual int GrabberSize() const { return 12; }
    // The grabber of a shown docked control and the close button in it; empty otherwise.
    TRect GrabberRect(TControl* control);
    TRect CloseButtonRect(TControl* control);
    // The docked control whose zone holds the point, or nullptr.
    TControl* ControlAtPoint(TPoint p);

protected:
    virtual void PaintDockFrame(TCanvas* canvas, TControl* control, const TRect& grabber);
    // The close button of a grabber: a form closes, another control hides (and stays docked).
    virtual void CloseClient(TControl* control);

private:
    struct Zone;
    TWinControl* site_;
    std::unique_ptr<Zone> root_;
    TControl* closing_ = nullptr;  // the control whose close button is held down
    // The first zone under `z`, depth first, that `match` takes; `match` sees each zone before it.
    static Zone* Walk(Zone* z, const std::function<bool(const Zone*)>& match);
    Zone* Find(Zone* z, const TControl* c) const;
    void Layout(Zone* z, const TRect& r);
    bool ZoneShown(const Zone* z) const;
    TRect SiteArea() const;
};

// The form a control floats in once dragged out of a site; it goes when its control docks elsewhere.
class TCustomDockForm : public TCustomForm {
public:
    explicit TCustomDockForm(TComponent* owner);
    QM_CLASS_INFO
};

// Where a dock drag would drop at a screen point: the topmost form's dock site there (nullptr: the control
// would float), the docked control it goes beside and on which side, and the rectangle it would take
// (screen coordinates). stay: the point is over the control's own place, and a drop leaves it there.
struct TDockTarget {
    TWinControl* site = nullptr;
    TControl* dropOn = nullptr;
    TAlign align = alNone;
    TRect rect;
    bool stay = false;
};
TDockTarget FindDockTarget(TControl* source, TPoint screen);
