// Reader of form resources in the text layout "object Name: TClass ... Property = Value ... end".
// It only parses; creating the components and setting their properties is the form loader's work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

// A malformed resource; the message names the line.
class EFormResourceError : public Exception { using Exception::Exception; };

struct TFormItem;

struct TFormValue {
    enum Kind { Integer, Float, String, Ident, Set, List, Collection, Binary } kind = Integer;
    int64_t i = 0;
    double d = 0;
    std::string s;                       // String (GBK bytes), Ident, Binary (raw bytes)
    std::vector<TFormValue> items;       // Set (identifiers), List (values)
    std::vector<TFormItem> collection;   // Collection items

    bool IsTrue() const { return kind == Ident && LowerCase(s) == "true"; }
    bool IsBoolean() const { return kind == Ident && (LowerCase(s) == "true" || LowerCase(s) == "false"); }
};

struct TFormProperty {
    std::string name;  // dotted for nested properties: "Font.Name", "Items.Strings"
    TFormValue value;
    int line = 0;
};

struct TFormItem {
    std::vector<TFormProperty> properties;
};

struct TFormObject {
    std::string name, className;
    bool inherited = false;
    int line = 0;
    std::vector<TFormProperty> properties;
    std::vector<TFormObject> children;  // in document order
};

TFormObject ParseFormResource(const std::string& text);
