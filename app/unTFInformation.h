// The sheet information dialog: geographic edges and projected corners of one sheet.
#pragma once

#include "engine/unTessarRgPub.h"
#include "platform/ui/Forms.h"

class TfrmTFInformation : public TForm {
public:
    explicit TfrmTFInformation(TComponent* owner);
    QM_CLASS_INFO
    void ShowSheet(const TStandardTessarol& sheet);
    // Grid sheets fill the name and the projected page only.
    void ShowGridSheet(const TCustomTessarol& sheet);

private:
    void SetNumber(int edit, double v);
};

extern TfrmTFInformation* frmTFInformation;

// The dialog for one sheet at a screen position (kept wholly on the screen), shown modally and freed.
void ShowTFInformation(const TStandardTessarol& sheet, int left, int top);
