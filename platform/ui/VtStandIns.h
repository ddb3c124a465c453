// Simple controls under the widget library's class names, built from the standard controls. Each offers what
// the windows call on it and the properties their form resources set, so the windows can be built before the
// library; the library's own classes later take over the same names.
#pragma once

#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

class TVtToolbarButton : public TSpeedButton {
public:
    explicit TVtToolbarButton(TComponent* owner);
    QM_CLASS_INFO
};

// Registers every class a form resource may name (standard controls, menus, dialogs and the stand-ins),
// with their streamed properties ("Items.Strings") and nesting; once.
void RegisterFormClasses();
