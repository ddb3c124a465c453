// The one-line text prompt.
#pragma once

#include <string>

#include "platform/ui/Forms.h"

class TfrmInputString : public TForm {
public:
    explicit TfrmInputString(TComponent* owner);
    static const TClassInfo& StaticClass();
    const TClassInfo* ClassType() const override { return &StaticClass(); }
};

// True on OK, with `text` the edited text; otherwise `text` is left as it was.
bool InputString(const std::string& caption, const std::string& prompt, std::string& text);
