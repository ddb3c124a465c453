// Small shared kernel classes: tokenizer, measurement units, variant list and stacks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

class TGIS_Tokenizer {
public:
    // Splits at any of `separators` (a run counts as one); with `quotes`, separators inside double
    // quotes do not split. Each token is stripped (StripQuotes).
    void Execute(const std::string& text, const std::string& separators, bool quotes);
    // Comma-separated values: blanks end an unquoted token; a quoted token runs to the next quote.
    void ExecuteCsv(const std::string& text, char separator, char quote);
    // Trims, then drops one pair of enclosing single quotes and then one of double quotes.
    static std::string StripQuotes(const std::string& token);

    TStringList Tokens;
};

// Number of unit codes in the table; codes 1 (linear) and 18 (angular) are custom.
constexpr int GIS_UNITS_COUNT = 25;

class TGIS_Units {
public:
    explicit TGIS_Units(uint8_t code = 0, double factor = 1);
    // From the table; a code of 25 or more is stored and keeps the previous factor.
    void SetCode(uint8_t code);
    // Asserts a factor other than 0.
    void SetCustom(uint8_t code, double factor);
    void Assign(const TGIS_Units& other) { SetCustom(other.Code, other.Factor); }

    uint8_t Code = 0;
    // Metres (linear units) or radians (angular units) per unit.
    double Factor = 1;
};

// Configuration keyword of a unit code; empty for 0, the custom codes and codes outside the table.
std::string GisUnitsKeyword(int code);
// Code of a keyword (any case), or -1.
int GisUnitsCodeOfKeyword(const std::string& keyword);

class TGIS_VariantList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    int Add(const Variant& value);
    // Raise ERangeError outside 0..Count-1.
    Variant GetItem(int index) const;
    void SetItem(int index, const Variant& value);
    void Clear() { items_.clear(); }

private:
    void Check(int index) const;
    std::vector<Variant> items_;
};

// Pointer stack; owns nothing. Pop and Peek on an empty stack give nullptr.
class TGIS_Stack {
public:
    void Push(void* item) { items_.push_back(item); }
    void* Pop();
    void* Peek() const { return items_.empty() ? nullptr : items_.back(); }
    bool IsEmpty() const { return items_.empty(); }
    int Count() const { return static_cast<int>(items_.size()); }
    void Clear() { items_.clear(); }
    // Afterwards both stacks read the same.
    void CopyFrom(const TGIS_Stack& other) { items_ = other.items_; }

private:
    std::vector<void*> items_;
};

// The same with integers in the pointer slots; empty gives 0.
class TGIS_StackInteger : public TGIS_Stack {
public:
    void Push(int32_t v) { TGIS_Stack::Push(reinterpret_cast<void*>(static_cast<intptr_t>(v))); }
    int32_t Pop() { return static_cast<int32_t>(reinterpret_cast<intptr_t>(TGIS_Stack::Pop())); }
    int32_t Peek() const { return static_cast<int32_t>(reinterpret_cast<intptr_t>(TGIS_Stack::Peek())); }
};
