// The progress form of the exports, and the progress service the shell offers the sheet engine.
#pragma once

#include "engine/unTessarRgPub.h"
#include "platform/ui/Forms.h"

class TVtProgressBar;
class TVtBitBtn;

class TfrmProgBar : public TForm {
public:
    explicit TfrmProgBar(TComponent* owner);
    QM_CLASS_INFO
    // Closing hides the form; it stays allocated, owned by the application.
    void VtBitBtn1Click(TObject* sender);
    // The export has ended, well or not: "完成" is enabled and takes the focus, so that Enter, Space and Esc
    // close the form. The bar stays where the export left it.
    void Finish();
    TVtProgressBar* VtProgressBar1 = nullptr;
    TVtBitBtn* VtBitBtn1 = nullptr;
};

// The current progress form: each export makes a new one.
extern TfrmProgBar* frmProgBar;

// Drives frmProgBar for the engine's exporters.
class TProgBarProgress : public ITessarProgress {
public:
    void NewDialog() override;
    std::string Caption() override;
    void SetCaption(const std::string& caption) override;
    void SetTotalParts(uint32_t total) override;
    void IncPartsByOne() override;
    void SetButtonEnabled(bool enabled) override;
    void Show() override;
    void ProcessMessages() override;
    void SetHourglass(bool on) override;
};
