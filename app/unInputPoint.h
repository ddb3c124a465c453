// The two-number prompt.
#pragma once

#include <string>

#include "platform/ui/Forms.h"

class TfrmInputPoint : public TForm {
public:
    explicit TfrmInputPoint(TComponent* owner);
    QM_CLASS_INFO
};

// True on OK, with both values read from the edits; otherwise `values` is left as it was.
bool InputPoint(const std::string& title, const std::string& firstLabel, const std::string& secondLabel,
                double values[2]);
