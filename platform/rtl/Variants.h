// Variant of the class library: a value of one of a few simple types that converts between them on use.
#pragma once

#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"

enum TVarType : uint16_t {
    varEmpty = 0,
    varNull = 1,
    varSmallint = 2,
    varInteger = 3,
    varSingle = 4,
    varDouble = 5,
    varDate = 7,
    varBoolean = 11,
    varString = 0x100,
};

// A conversion or an operation that the value's type does not allow.
class EVariantError : public Exception {
    using Exception::Exception;
};

class Variant {
public:
    Variant() = default;
    Variant(int v) : type_(varInteger), i_(v) {}
    Variant(int16_t v) : type_(varSmallint), i_(v) {}
    Variant(float v) : type_(varSingle), d_(v) {}
    Variant(double v) : type_(varDouble), d_(v) {}
    Variant(bool v) : type_(varBoolean), i_(v ? 1 : 0) {}
    Variant(const char* v) : type_(varString), s_(v) {}
    Variant(std::string v) : type_(varString), s_(std::move(v)) {}
    static Variant Null();
    static Variant FromDate(TDateTime d);

    TVarType VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty; }
    bool IsNull() const { return type_ == varNull; }
    bool IsString() const { return type_ == varString; }
    // Smallint, integer, single or double.
    bool IsNumeric() const;
    void Clear();

    // Conversions raise EVariantError when the value cannot take the type (Null never can).
    // Booleans count True as -1; strings read numbers with the process decimal separator,
    // dates with the short date form, Booleans as "True"/"False" in any case or as a number.
    int AsInteger() const;
    // Numbers, dates and Booleans are read in place; the other types take the call.
    double AsDouble() const {
        if (type_ == varDouble || type_ == varSingle || type_ == varDate) return d_;
        if (type_ == varInteger || type_ == varSmallint) return i_;
        return OtherAsDouble();
    }
    bool AsBoolean() const { return type_ == varBoolean ? i_ != 0 : OtherAsBoolean(); }
    std::string AsString() const;
    // The text of a string without a copy ("" for the other types).
    const std::string& StrRef() const { return s_; }
    TDateTime AsDate() const;
    Variant AsType(TVarType t) const;

private:
    // A failure names `target` as the type the value could not take.
    double OtherAsDouble(TVarType target = varDouble) const;
    bool OtherAsBoolean() const;

    TVarType type_ = varEmpty;
    int32_t i_ = 0;
    double d_ = 0;
    std::string s_;
};

// Null gives "" instead of raising.
std::string VarToStr(const Variant& v);
std::string VarTypeName(TVarType t);

// Arithmetic: Null in, Null out; "+" joins two strings; a string beside a number is read as a double;
// integers stay integers while the result fits; dates move by "+" and "-"; "/" always gives a double.
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);
// Logical on Booleans (a string beside a Boolean is read as one), bitwise on integers otherwise.
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
