// The one-line text prompt.
#pragma once

#include <string>

#include "platform/ui/Forms.h"

class TfrmInputString : public TForm {
public:
    explicit TfrmInputString(TComponent* owner);
    QM_CLASS_INFO
};

// True on OK, with `text` the edited text; otherwise `text` is left as it was.
bool InputString(const std::string& caption, const std::string& prompt, std::string& text);
