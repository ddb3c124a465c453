#include "gis/core/GisSqlQuery.h"

#include <array>
#include <cstdint>
#include <vector>

#include "gis/core/GisDefs.h"

namespace {

// Operator codes; a higher code binds tighter.
enum : uint8_t {
    opStart = 1,
    opEnd = 2,
    opClose = 3,
    opOpen = 4,
    opBetween = 5,
    opOr = 6,
    opAnd = 7,
    opNot = 8,
    opEq = 9,
    opNe = 10,
    opLt = 11,
    opLe = 12,
    opGt = 13,
    opGe = 14,
    opLike = 15,
    opAdd = 16,
    opSub = 17,
    opMul = 18,
    opDiv = 19,
    opIn = 20,
};

enum TokenKind : uint8_t { tkField = 1, tkConst = 2, tkOperator = 3, tkLike = 4, tkInMarker = 5 };

constexpr int kValueStackSize = 513;
constexpr int kOperatorStackSize = 516;
// Pattern characters besides '%' that the 64-bit masks hold.
constexpr int kMaxLikeChars = 63;

[[noreturn]] void Fail() { throw EGIS_Exception(GIS_RS_ERR_UNTESTED, "", 0); }

struct CompileError {};

}  // namespace

// One compiled LIKE pattern, matched bit-parallel. Position k is bit (1 << 63) >> k; a 0 bit means "set".
class T_LikeParser {
public:
    explicit T_LikeParser(const std::string& pattern) {
        masks_.fill(~uint64_t(0));
        percent_ = ~uint64_t(0);
        masks_['_'] &= ~Bit(0);
        uint64_t wildcard = ~uint64_t(0);
        bool hasWildcard = false;
        int p = 1;
        for (char ch : pattern) {
            unsigned char c = static_cast<unsigned char>(ch);
            if (c == '%') {
                percent_ &= ~Bit(p - 1);
                continue;
            }
            if (p > kMaxLikeChars) throw CompileError();
            if (c == '_') {
                wildcard &= ~Bit(p);
                hasWildcard = true;
            } else {
                masks_[c] &= ~Bit(p);
            }
            ++p;
        }
        end_ = Bit(p - 1);
        if (hasWildcard)
            for (auto& m : masks_) m &= wildcard;
    }

    // `text` is upper-cased already.
    bool Match(const std::string& text) const {
        if (text.empty()) return false;
        uint64_t state = ~Bit(0);
        for (char ch : text) {
            state = (state | percent_) & (masks_[static_cast<unsigned char>(ch)] | (state >> 1));
            if (state == ~uint64_t(0)) return false;
        }
        return (state & end_) == 0;
    }

private:
    static uint64_t Bit(int k) { return (uint64_t(1) << 63) >> k; }
    std::array<uint64_t, 256> masks_;
    uint64_t percent_;
    uint64_t end_;
};

struct T_CompiledToken {
    explicit T_CompiledToken(TokenKind k) : kind(k) {}
    TokenKind kind;
    uint8_t op = 0;          // operator code
    bool shortCut = false;   // AND / OR that may end the evaluation early
    int index = 0;           // field or pattern index
    Variant value;           // constant
};

class T_SqlParser {
public:
    void Compile(const std::string& text);
    // Empty when a field is Null or empty, or when there is nothing to evaluate; raises on failure.
    Variant Execute(const TGIS_SqlFieldEvent& onField);

private:
    struct Item {
        TokenKind kind;
        int index;             // field index or pattern index
        const Variant* ref;    // field slot or constant; nullptr for a computed value
        Variant own;
        const Variant& Value(const T_SqlParser& p) const {
            if (kind == tkField) return p.slots_[index];
            if (kind == tkLike || kind == tkInMarker) Fail();
            return ref ? *ref : own;
        }
    };

    void Clear();
    int FieldIndex(const std::string& name);
    void MarkShortCuts();
    void AddOperator(uint8_t op);

    void PushValue(TokenKind kind, int index, const Variant* ref);
    void PushResult(Variant v);
    Item& PopItem();
    void PushOperator(uint8_t op);
    void Process(uint8_t op);
    void Apply(uint8_t op);
    int Compare(const Variant& left, const Variant& right) const;

    std::vector<T_CompiledToken> tokens_;
    std::vector<std::string> fields_;
    std::vector<Variant> slots_;
    std::vector<T_LikeParser> likes_;
    std::array<Item, kValueStackSize> values_{};
    std::array<uint8_t, kOperatorStackSize> operators_{};
    int valueTop_ = 0;
    int operatorTop_ = 0;
};

void T_SqlParser::Clear() {
    tokens_.clear();
    fields_.clear();
    slots_.clear();
    likes_.clear();
}

int T_SqlParser::FieldIndex(const std::string& name) {
    std::string upper = AnsiUpperCase(name);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i] == upper) return static_cast<int>(i);
    fields_.push_back(upper);
    slots_.emplace_back();
    return static_cast<int>(fields_.size() - 1);
}

void T_SqlParser::AddOperator(uint8_t op) {
    T_CompiledToken t{tkOperator};
    t.op = op;
    tokens_.push_back(std::move(t));
}

void T_SqlParser::Compile(const std::string& text) {
    Clear();
    try {
        if (!text.empty()) AddOperator(opStart);
        bool pattern = false;
        const size_t n = text.size();
        size_t i = 0;
        auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        while (i < n) {
            char c = text[i];
            if (c == ' ' || c == ',') {
                ++i;
            } else if (c == '"') {
                size_t close = text.find('"', i + 1);
                std::string name = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
                i = close == std::string::npos ? n : close + 1;
                T_CompiledToken t{tkField};
                t.index = FieldIndex(name);
                tokens_.push_back(std::move(t));
            } else if (isLetter(c)) {
                size_t j = i;
                while (j < n && (isLetter(text[j]) || isDigit(text[j]) || text[j] == '_' || text[j] == '#' ||
                                 text[j] == '$' || text[j] == '@'))
                    ++j;
                std::string word = text.substr(i, j - i);
                std::string upper = AnsiUpperCase(word);
                i = j;
                if (upper == "AND") AddOperator(opAnd);
                else if (upper == "OR") AddOperator(opOr);
                else if (upper == "NOT") AddOperator(opNot);
                else if (upper == "BETWEEN") AddOperator(opBetween);
                else if (upper == "IN") AddOperator(opIn);
                else if (upper == "LIKE") {
                    AddOperator(opLike);
                    pattern = true;
                } else {
                    T_CompiledToken t{tkField};
                    t.index = FieldIndex(upper);
                    tokens_.push_back(std::move(t));
                }
            } else if (isDigit(c) || c == '.') {
                size_t j = i;
                while (j < n && (isDigit(text[j]) || text[j] == '.' || text[j] == 'E' || text[j] == 'e')) ++j;
                T_CompiledToken t{tkConst};
                t.value = Variant(GisStrToFloat(text.substr(i, j - i)));
                tokens_.push_back(std::move(t));
                i = j;
            } else if (c == '\'') {
                size_t close = text.find('\'', i + 1);
                std::string s = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
                i = close == std::string::npos ? n : close + 1;
                if (pattern) {
                    T_CompiledToken t{tkLike};
                    t.index = static_cast<int>(likes_.size());
                    likes_.emplace_back(AnsiUpperCase(s));
                    tokens_.push_back(std::move(t));
                } else {
                    T_CompiledToken t{tkConst};
                    t.value = Variant(s);
                    tokens_.push_back(std::move(t));
                }
                pattern = false;
            } else if (std::string("*+-/<=>").find(c) != std::string::npos) {
                size_t j = i;
                while (j < n && std::string("*+-/<=>").find(text[j]) != std::string::npos) ++j;
                std::string run = text.substr(i, j - i);
                i = j;
                static const std::pair<const char*, uint8_t> kRuns[] = {
                    {"=", opEq}, {"<>", opNe}, {"<", opLt}, {"<=", opLe}, {">", opGt},
                    {">=", opGe}, {"+", opAdd}, {"-", opSub}, {"*", opMul}, {"/", opDiv}};
                uint8_t op = 0;
                for (auto& r : kRuns)
                    if (run == r.first) op = r.second;
                if (!op) throw CompileError();
                AddOperator(op);
            } else if (c == '(') {
                AddOperator(opOpen);
                ++i;
            } else if (c == ')') {
                AddOperator(opClose);
                ++i;
            } else {
                throw CompileError();
            }
        }
        // The evaluation stacks have fixed sizes: refuse a query that could overflow them.
        int values = 0, operators = 0;
        for (auto& t : tokens_) {
            if (t.kind == tkOperator) {
                if (t.op != opClose) ++operators;  // ')' is never pushed
                if (t.op == opIn) ++values;
            } else {
                ++values;
            }
        }
        if (values > kValueStackSize || operators > kOperatorStackSize) throw CompileError();
        MarkShortCuts();
    } catch (...) {
        Clear();
        throw;
    }
}

// A top-level AND over False ends the evaluation only when no looser operator (OR, BETWEEN) follows
// on the top level; likewise OR over True when no BETWEEN follows.
void T_SqlParser::MarkShortCuts() {
    bool orFollows = false, betweenFollows = false;
    int depth = 0;
    for (size_t k = tokens_.size(); k-- > 0;) {
        T_CompiledToken& t = tokens_[k];
        if (t.kind != tkOperator) continue;
        // Walking backwards, ')' opens a level and '(' closes it.
        if (t.op == opClose) {
            ++depth;
        } else if (t.op == opOpen) {
            if (--depth < 0) {
                // An unmatched '(': the evaluation fails anyway; never shorten it.
                orFollows = betweenFollows = true;
                depth = 0;
            }
        } else if (depth == 0) {
            if (t.op == opAnd) t.shortCut = !orFollows && !betweenFollows;
            if (t.op == opOr) t.shortCut = !betweenFollows;
            if (t.op == opOr) orFollows = true;
            if (t.op == opBetween) betweenFollows = true;
        }
    }
    if (depth != 0)
        for (auto& t : tokens_) t.shortCut = false;
}

void T_SqlParser::PushValue(TokenKind kind, int index, const Variant* ref) {
    if (valueTop_ >= kValueStackSize) Fail();
    Item& it = values_[valueTop_++];
    it.kind = kind;
    it.index = index;
    it.ref = ref;
}

void T_SqlParser::PushResult(Variant v) {
    if (valueTop_ >= kValueStackSize) Fail();
    Item& it = values_[valueTop_++];
    it.kind = tkConst;
    it.index = 0;
    it.ref = nullptr;
    it.own = std::move(v);
}

T_SqlParser::Item& T_SqlParser::PopItem() {
    if (valueTop_ <= 0) Fail();
    return values_[--valueTop_];
}

void T_SqlParser::PushOperator(uint8_t op) {
    if (operatorTop_ >= kOperatorStackSize) Fail();
    operators_[operatorTop_++] = op;
    if (op == opIn) PushValue(tkInMarker, 0, nullptr);
}

void T_SqlParser::Process(uint8_t op) {
    if (op == opOpen || op == opStart) {
        PushOperator(op);
        return;
    }
    if (op != opEnd && (operatorTop_ == 0 || operators_[operatorTop_ - 1] < op)) {
        PushOperator(op);
        return;
    }
    while (operatorTop_ > 0) {
        uint8_t top = operators_[operatorTop_ - 1];
        if (op != opEnd && top < op) break;
        --operatorTop_;
        if (top == opStart) return;
        if (top == opOpen) {
            if (op == opClose) return;
            Fail();
        }
        Apply(top);
    }
    if (op == opClose) Fail();
    if (op == opEnd) return;
    PushOperator(op);
}

int T_SqlParser::Compare(const Variant& l, const Variant& r) const {
    Variant left = l, right = r;
    if (left.IsString() != right.IsString()) {
        if (left.IsString()) left = left.AsType(right.VarType());
        else right = right.AsType(left.VarType());
    }
    switch (left.VarType()) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varDate: {
        double a = left.AsDouble(), b = right.AsDouble();
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    case varString:
        if (!right.IsString()) Fail();
        return AnsiCompareText(left.AsString(), right.AsString());
    default: Fail();
    }
}

void T_SqlParser::Apply(uint8_t op) {
    switch (op) {
    case opAdd:
    case opSub:
    case opMul:
    case opDiv: {
        Variant right = PopItem().Value(*this);
        Variant left(0);
        if (valueTop_ > 0 && (values_[valueTop_ - 1].kind == tkField || values_[valueTop_ - 1].kind == tkConst))
            left = PopItem().Value(*this);
        PushResult(op == opAdd ? left + right : op == opSub ? left - right : op == opMul ? left * right : left / right);
        return;
    }
    case opEq:
    case opNe:
    case opLt:
    case opLe:
    case opGt:
    case opGe: {
        Variant right = PopItem().Value(*this);
        Variant left = PopItem().Value(*this);
        int c = Compare(left, right);
        bool r = op == opEq ? c == 0 : op == opNe ? c != 0 : op == opLt ? c < 0 : op == opLe ? c <= 0 : op == opGt ? c > 0 : c >= 0;
        PushResult(Variant(r));
        return;
    }
    case opNot: PushResult(VarNot(PopItem().Value(*this))); return;
    case opOr: {
        Variant right = PopItem().Value(*this);
        Variant left = PopItem().Value(*this);
        PushResult(VarOr(left, right));
        return;
    }
    case opAnd: {
        if (operatorTop_ > 0 && operators_[operatorTop_ - 1] == opBetween) {
            --operatorTop_;
            Variant high = PopItem().Value(*this);
            Variant low = PopItem().Value(*this);
            Variant value = PopItem().Value(*this);
            if (high.IsString() && !value.IsString()) high = high.AsType(value.VarType());
            if (low.IsString() && !value.IsString()) low = low.AsType(value.VarType());
            PushResult(Variant(Compare(low, value) <= 0 && Compare(value, high) <= 0));
            return;
        }
        Variant right = PopItem().Value(*this);
        Variant left = PopItem().Value(*this);
        PushResult(VarAnd(left, right));
        return;
    }
    case opLike: {
        Item& p = PopItem();
        if (p.kind != tkLike) Fail();
        const T_LikeParser& like = likes_[p.index];
        std::string text = AnsiUpperCase(PopItem().Value(*this).AsString());
        PushResult(Variant(like.Match(text)));
        return;
    }
    case opIn: {
        int marker = valueTop_ - 1;
        while (marker >= 0 && values_[marker].kind != tkInMarker) --marker;
        if (marker < 1) Fail();
        const Variant& tested = values_[marker - 1].Value(*this);
        bool found = false;
        for (int k = marker + 1; k < valueTop_ && !found; ++k) found = Compare(tested, values_[k].Value(*this)) == 0;
        valueTop_ = marker - 1;
        PushResult(Variant(found));
        return;
    }
    default: Fail();  // BETWEEN without its AND, or a bracket
    }
}

Variant T_SqlParser::Execute(const TGIS_SqlFieldEvent& onField) {
    valueTop_ = 0;
    operatorTop_ = 0;
    for (size_t i = 0; i < fields_.size(); ++i) {
        slots_[i] = onField ? onField(fields_[i]) : Variant();
        if (slots_[i].IsNull() || slots_[i].IsEmpty()) return Variant();
    }
    for (const T_CompiledToken& t : tokens_) {
        switch (t.kind) {
        case tkField: PushValue(tkField, t.index, nullptr); break;
        case tkConst: PushValue(tkConst, 0, &t.value); break;
        case tkLike: PushValue(tkLike, t.index, nullptr); break;
        case tkOperator:
            if (t.shortCut && operatorTop_ == 1 && operators_[0] == opStart && valueTop_ > 0 &&
                values_[valueTop_ - 1].kind == tkConst) {
                const Variant& v = values_[valueTop_ - 1].Value(*this);
                if (v.VarType() == varBoolean) {
                    bool b = v.AsBoolean();
                    if (t.op == opAnd && !b) return Variant(false);
                    if (t.op == opOr && b) return Variant(true);
                }
            }
            Process(t.op);
            break;
        default: Fail();
        }
    }
    if (tokens_.empty()) return Variant();
    Process(opEnd);
    if (valueTop_ == 0) return Variant();
    return values_[valueTop_ - 1].Value(*this);
}

TGIS_SqlQuery::TGIS_SqlQuery() : parser_(std::make_unique<T_SqlParser>()) {}
TGIS_SqlQuery::~TGIS_SqlQuery() = default;

void TGIS_SqlQuery::Prepare(const std::string& text) {
    text_ = text;
    try {
        parser_->Compile(text);
    } catch (...) {
        throw EGIS_Exception(GIS_RS_ERR_WRONGEXPRESSION, text, 0);
    }
}

bool TGIS_SqlQuery::Evaluate(bool def, const TGIS_SqlFieldEvent& onField) {
    try {
        Variant r = parser_->Execute(onField);
        return r.IsEmpty() ? false : r.AsBoolean();
    } catch (...) {
        return def;
    }
}

double TGIS_SqlQuery::EvaluateFloat(double def, const TGIS_SqlFieldEvent& onField) {
    try {
        Variant r = parser_->Execute(onField);
        return r.IsEmpty() ? 0 : r.AsDouble();
    } catch (...) {
        return def;
    }
}
