#include "platform/rtl/Variants.h"

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void CannotConvert(TVarType from, TVarType to) {
    throw EVariantError("Could not convert variant of type (" + VarTypeName(from) + ") into type (" +
                        VarTypeName(to) + ")");
}

bool TextToBool(const std::string& s, bool& b) {
    std::string t = Trim(s);
    if (AnsiCompareText(t, "True") == 0) return b = true, true;
    if (AnsiCompareText(t, "False") == 0) return b = false, true;
    double d;
    if (TryStrToFloat(t, d)) return b = d != 0, true;
    return false;
}

bool IsIntegral(TVarType t) { return t == varEmpty || t == varSmallint || t == varInteger || t == varBoolean; }

Variant IntResult(int64_t r) {
    if (r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())
        return Variant(static_cast<int>(r));
    return Variant(static_cast<double>(r));
}

Variant Arith(const Variant& a, const Variant& b, char op) {
    if (a.IsNull() || b.IsNull()) return Variant::Null();
    TVarType ta = a.VarType(), tb = b.VarType();
    if (op == '+' && (ta == varString || ta == varEmpty) && (tb == varString || tb == varEmpty) &&
        (ta == varString || tb == varString))
        return Variant(a.AsString() + b.AsString());
    if (op == '/') {
        double y = b.AsDouble();
        if (y == 0) throw EVariantError("Floating point division by zero");
        return Variant(a.AsDouble() / y);
    }
    if (IsIntegral(ta) && IsIntegral(tb)) {
        int64_t x = a.AsInteger(), y = b.AsInteger();
        return IntResult(op == '+' ? x + y : op == '-' ? x - y : x * y);
    }
    double x = a.AsDouble(), y = b.AsDouble();
    double r = op == '+' ? x + y : op == '-' ? x - y : x * y;
    if (op != '*' && (ta == varDate || tb == varDate) && !(op == '-' && ta == varDate && tb == varDate))
        return Variant::FromDate(r);
    return Variant(r);
}

enum class LogicOp { And, Or };

Variant Logic(const Variant& a, const Variant& b, LogicOp op) {
    if (a.IsNull() || b.IsNull()) return Variant::Null();
    TVarType ta = a.VarType(), tb = b.VarType();
    bool boolish = (ta == varBoolean && (tb == varBoolean || tb == varString || tb == varEmpty)) ||
                   (tb == varBoolean && (ta == varString || ta == varEmpty));
    if (boolish) {
        bool x = a.AsBoolean(), y = b.AsBoolean();
        return Variant(op == LogicOp::And ? x && y : x || y);
    }
    int x = a.AsInteger(), y = b.AsInteger();
    return Variant(op == LogicOp::And ? x & y : x | y);
}

}  // namespace

Variant Variant::Null() {
    Variant v;
    v.type_ = varNull;
    return v;
}

Variant Variant::FromDate(TDateTime d) {
    Variant v;
    v.type_ = varDate;
    v.d_ = d;
    return v;
}

bool Variant::IsNumeric() const {
    return type_ == varSmallint || type_ == varInteger || type_ == varSingle || type_ == varDouble;
}

void Variant::Clear() {
    type_ = varEmpty;
    i_ = 0;
    d_ = 0;
    s_.clear();
}

int Variant::AsInteger() const {
    if (type_ == varSmallint || type_ == varInteger) return i_;
    if (int r; type_ == varString && TryStrToInt(s_, r)) return r;
    // Everything else rounds its number; a failure to read one names the integer asked for.
    const double d = OtherAsDouble(varInteger);
    if (!(std::fabs(d) < 2147483648.0)) throw EVariantError("Arithmetic overflow");
    const int64_t r = Round(d);
    if (r > std::numeric_limits<int32_t>::max() || r < std::numeric_limits<int32_t>::min())
        throw EVariantError("Arithmetic overflow");
    return static_cast<int>(r);
}

double Variant::OtherAsDouble(TVarType target) const {
    switch (type_) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger: return i_;
    case varBoolean: return i_ ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: return d_;
    case varString: {
        double d;
        if (!TryStrToFloat(s_, d)) CannotConvert(type_, target);
        return d;
    }
    default: CannotConvert(type_, target);
    }
}

bool Variant::OtherAsBoolean() const {
    switch (type_) {
    case varEmpty: return false;
    case varSmallint:
    case varInteger:
    case varBoolean: return i_ != 0;
    case varSingle:
    case varDouble:
    case varDate: return d_ != 0;
    case varString: {
        bool b;
        if (!TextToBool(s_, b)) CannotConvert(type_, varBoolean);
        return b;
    }
    default: CannotConvert(type_, varBoolean);
    }
}

std::string Variant::AsString() const {
    switch (type_) {
    case varEmpty: return "";
    case varSmallint:
    case varInteger: return IntToStr(i_);
    case varBoolean: return i_ ? "True" : "False";
    case varSingle:
    case varDouble: return FloatToStr(d_);
    case varDate: return DateTimeToStr(d_);
    case varString: return s_;
    default: CannotConvert(type_, varString);
    }
}

TDateTime Variant::AsDate() const {
    switch (type_) {
    case varString: {
        TDateTime d;
        if (!TryStrToDateTime(s_, d)) CannotConvert(type_, varDate);
        return d;
    }
    case varNull: CannotConvert(type_, varDate);
    default: return AsDouble();
    }
}

Variant Variant::AsType(TVarType t) const {
    if (t == type_) return *this;
    switch (t) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varSmallint: {
        int v = AsInteger();
        if (v < -32768 || v > 32767) throw EVariantError("Arithmetic overflow");
        return Variant(static_cast<int16_t>(v));
    }
    case varInteger: return Variant(AsInteger());
    case varSingle: return Variant(static_cast<float>(AsDouble()));
    case varDouble: return Variant(AsDouble());
    case varDate: return FromDate(AsDate());
    case varBoolean: return Variant(AsBoolean());
    case varString: return Variant(AsString());
    }
    CannotConvert(type_, t);
}

std::string VarToStr(const Variant& v) { return v.IsNull() ? std::string() : v.AsString(); }

std::string VarTypeName(TVarType t) {
    switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varDate: return "Date";
    case varBoolean: return "Boolean";
    case varString: return "String";
    }
    return "Unknown";
}

Variant operator+(const Variant& a, const Variant& b) { return Arith(a, b, '+'); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(a, b, '-'); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(a, b, '*'); }
Variant operator/(const Variant& a, const Variant& b) { return Arith(a, b, '/'); }

Variant VarAnd(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::And); }
Variant VarOr(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::Or); }

Variant VarNot(const Variant& a) {
    switch (a.VarType()) {
    case varNull: return a;
    case varBoolean: return Variant(!a.AsBoolean());
    case varString: {
        int i;
        double d;
        if (!TryStrToInt(a.AsString(), i) && !TryStrToFloat(a.AsString(), d)) return Variant(!a.AsBoolean());
        return Variant(~a.AsInteger());
    }
    default: return Variant(~a.AsInteger());
    }
}
