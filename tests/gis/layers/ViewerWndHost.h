// A 400 x 300 viewer window on a shown form, for tests that drive it with synthetic input.
#pragma once

#include <functional>
#include <memory>

#include "gis/layers/GisViewerWnd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/testsupport/UiTest.h"

// `prepare` runs on the window before the form is first shown.
inline TGIS_ViewerWnd* ShowViewerWnd(std::unique_ptr<TForm>& form,
                                     const std::function<void(TGIS_ViewerWnd&)>& prepare = {}) {
    UiTest::Init();
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 420, 320);
    auto* wnd = new TGIS_ViewerWnd(form.get());
    wnd->SetParent(form.get());
    wnd->SetBounds(0, 0, 400, 300);
    if (prepare) prepare(*wnd);
    form->Show();
    UiTest::Flush();
    return wnd;
}
