#include "gis/core/GisSqlQuery.h"

#include <algorithm>
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

    // Upper-cases `text` on the way as AnsiUpperCase does: a GBK trail byte keeps its case.
    bool Match(const std::string& text) const {
        const size_t n = text.size();
        if (n == 0) return false;
        uint64_t state = ~Bit(0);
        bool trail = false;
        for (size_t i = 0; i < n; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (trail) trail = false;
            else if (IsLeadByte(c) && i + 1 < n) trail = true;
            else if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
            state = (state | percent_) & (masks_[c] | (state >> 1));
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

namespace {

// The evaluation's steps, fixed at Prepare: which operator applies to which operands is decided by the
// operator codes and the kinds of the operands alone, never by values, so the operator-precedence pass
// runs once over the token list and leaves a program for the value stack.
enum Code : uint8_t {
    cField,     // push the field's value
    cConst,     // push a constant
    cNone,      // push a pattern or an IN marker: no value
    cArith,     // left op right
    cUnary,     // 0 op right: no operand below
    cCompare,
    cNot,
    cOr,
    cAnd,
    cBetween,   // value, low, high
    cLike,      // value LIKE pattern `arg`
    cIn,        // tested value, marker and `arg` list values
    cShortAnd,  // a Boolean False on top ends with False
    cShortOr,   // a Boolean True on top ends with True
    cResult,    // the value on top
    cEmpty,     // nothing to evaluate
    cFail,
    // A field or constant compared with another, tested for lying between two, or matched with a
    // pattern: the commonest conditions in one step each, their operands named in a, b, c.
    cCompareOperands,
    cBetweenOperands,
    cLikeOperand,
};

// An operand named in a step: a field's index, or a constant's index k as -k - 1.
struct Step {
    Code code;
    uint8_t op = 0;
    int arg = 0;
    int a = 0, b = 0, c = 0;
};

bool IsOperand(const Step& s) { return s.code == cField || s.code == cConst; }
int OperandOf(const Step& s) { return s.code == cField ? s.arg : -s.arg - 1; }

bool IsBoolean(const Variant* v) { return v->VarType() == varBoolean; }

bool ComparesAsNumber(TVarType t) {
    return t == varSmallint || t == varInteger || t == varSingle || t == varDouble || t == varDate;
}

// Without a branch: the order of row values is anyone's guess. NaN is equal to everything.
int CompareNumbers(double a, double b) { return (a > b) - (a < b); }

// When exactly one side is a string it takes the other's type; then numbers and dates compare as
// values and strings without regard to case; any other type fails.
int CompareConverted(const Variant& l, const Variant& r) {
    Variant left = l, right = r;
    if (left.IsString()) left = left.AsType(right.VarType());
    else right = right.AsType(left.VarType());
    if (!ComparesAsNumber(left.VarType())) Fail();
    return CompareNumbers(left.AsDouble(), right.AsDouble());
}

bool Holds(uint8_t op, int c) {
    switch (op) {
    case opEq: return c == 0;
    case opNe: return c != 0;
    case opLt: return c < 0;
    case opLe: return c <= 0;
    case opGt: return c > 0;
    default: return c >= 0;
    }
}

int Compare(const Variant& l, const Variant& r) {
    const TVarType tl = l.VarType(), tr = r.VarType();
    if (ComparesAsNumber(tl) && tr != varString) return CompareNumbers(l.AsDouble(), r.AsDouble());
    if (tl == varString && tr == varString) return AnsiCompareText(l.StrRef(), r.StrRef());
    if (tl == varString || tr == varString) return CompareConverted(l, r);
    Fail();
}

}  // namespace

class T_SqlParser {
public:
    void Compile(const std::string& text);
    void Bind(const TGIS_SqlFieldBinder& bind);
    // nullptr when a field is Null or empty, or when there is nothing to evaluate; raises on failure.
    const Variant* Execute(const TGIS_SqlFieldEvent& onField);
    const Variant* Execute(const TGIS_SqlColumnEvent& onColumn);
    void Clear();

private:
    // An operand as the precedence pass sees it: only its kind, and its pattern for a pattern.
    struct Item {
        TokenKind kind;
        int index;
    };

    int FieldIndex(const std::string& name);
    static void MarkShortCuts(std::vector<T_CompiledToken>& tokens);
    void Plan(const std::vector<T_CompiledToken>& tokens);

    // The precedence pass; each returns false once the program has ended in a failure.
    bool PushItem(TokenKind kind, int index, Code code, int arg);
    bool PushOperator(uint8_t op);
    bool Process(uint8_t op);
    bool Apply(uint8_t op);
    bool Emit(Code code, uint8_t op = 0, int arg = 0);
    bool Failed() { return Emit(cFail); }

    void Fuse();
    const Variant* Operand(int k) const {
        return k >= 0 ? values_[static_cast<size_t>(k)] : &constants_[static_cast<size_t>(-k - 1)];
    }
    bool Like(int pattern, const Variant& v) const;
    const Variant* Run();
    // Booleans computed by the steps point here, so that they need no Variant of their own.
    const Variant* Bool(bool b) const { return b ? &true_ : &false_; }

    std::vector<std::string> fields_;
    std::vector<int> columns_;              // the caller's column of each field
    std::vector<Variant> slots_;            // values asked by name
    std::vector<const Variant*> values_;    // the current row's value of each field
    std::vector<Variant> constants_;
    std::vector<T_LikeParser> likes_;
    std::vector<Step> program_;

    // The precedence pass's stacks, with the fixed sizes that bound every evaluation.
    std::vector<Item> items_;
    std::vector<uint8_t> operators_;
    size_t depth_ = 0;

    // The value stack: operands in place, and at each level the room for a value computed there.
    std::vector<const Variant*> stack_;
    std::vector<Variant> computed_;
    const Variant false_{false}, true_{true};
    const Variant zero_{0};  // the left operand of a sign
};

void T_SqlParser::Clear() {
    fields_.clear();
    columns_.clear();
    slots_.clear();
    values_.clear();
    constants_.clear();
    likes_.clear();
    program_.clear();
    stack_.clear();
    computed_.clear();
}

int T_SqlParser::FieldIndex(const std::string& name) {
    std::string upper = AnsiUpperCase(name);
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i] == upper) return static_cast<int>(i);
    fields_.push_back(upper);
    return static_cast<int>(fields_.size() - 1);
}

void T_SqlParser::Compile(const std::string& text) {
    Clear();
    try {
        std::vector<T_CompiledToken> tokens;
        auto addOperator = [&tokens](uint8_t op) {
            T_CompiledToken t{tkOperator};
            t.op = op;
            tokens.push_back(std::move(t));
        };
        if (!text.empty()) addOperator(opStart);
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
                tokens.push_back(std::move(t));
            } else if (isLetter(c)) {
                size_t j = i;
                while (j < n && (isLetter(text[j]) || isDigit(text[j]) || text[j] == '_' || text[j] == '#' ||
                                 text[j] == '$' || text[j] == '@'))
                    ++j;
                std::string word = text.substr(i, j - i);
                std::string upper = AnsiUpperCase(word);
                i = j;
                if (upper == "AND") addOperator(opAnd);
                else if (upper == "OR") addOperator(opOr);
                else if (upper == "NOT") addOperator(opNot);
                else if (upper == "BETWEEN") addOperator(opBetween);
                else if (upper == "IN") addOperator(opIn);
                else if (upper == "LIKE") {
                    addOperator(opLike);
                    pattern = true;
                } else {
                    T_CompiledToken t{tkField};
                    t.index = FieldIndex(upper);
                    tokens.push_back(std::move(t));
                }
            } else if (isDigit(c) || c == '.') {
                size_t j = i;
                while (j < n && (isDigit(text[j]) || text[j] == '.' || text[j] == 'E' || text[j] == 'e')) ++j;
                T_CompiledToken t{tkConst};
                t.value = Variant(GisStrToFloat(text.substr(i, j - i)));
                tokens.push_back(std::move(t));
                i = j;
            } else if (c == '\'') {
                size_t close = text.find('\'', i + 1);
                std::string s = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
                i = close == std::string::npos ? n : close + 1;
                if (pattern) {
                    T_CompiledToken t{tkLike};
                    t.index = static_cast<int>(likes_.size());
                    likes_.emplace_back(AnsiUpperCase(s));
                    tokens.push_back(std::move(t));
                } else {
                    T_CompiledToken t{tkConst};
                    t.value = Variant(s);
                    tokens.push_back(std::move(t));
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
                addOperator(op);
            } else if (c == '(') {
                addOperator(opOpen);
                ++i;
            } else if (c == ')') {
                addOperator(opClose);
                ++i;
            } else {
                throw CompileError();
            }
        }
        // The evaluation stacks have fixed sizes: refuse a query that could overflow them.
        int values = 0, operators = 0;
        for (auto& t : tokens) {
            if (t.kind == tkOperator) {
                if (t.op != opClose) ++operators;  // ')' is never pushed
                if (t.op == opIn) ++values;
            } else {
                ++values;
            }
        }
        if (values > kValueStackSize || operators > kOperatorStackSize) throw CompileError();
        MarkShortCuts(tokens);
        Plan(tokens);
    } catch (...) {
        Clear();
        throw;
    }
}

// A top-level AND over False ends the evaluation only when no looser operator (OR, BETWEEN) follows
// on the top level; likewise OR over True when no BETWEEN follows.
void T_SqlParser::MarkShortCuts(std::vector<T_CompiledToken>& tokens) {
    bool orFollows = false, betweenFollows = false;
    int depth = 0;
    for (size_t k = tokens.size(); k-- > 0;) {
        T_CompiledToken& t = tokens[k];
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
        for (auto& t : tokens) t.shortCut = false;
}

void T_SqlParser::Plan(const std::vector<T_CompiledToken>& tokens) {
    program_.clear();
    items_.clear();
    operators_.clear();
    depth_ = 0;
    bool running = true;
    for (const T_CompiledToken& t : tokens) {
        switch (t.kind) {
        case tkField: running = PushItem(tkField, t.index, cField, t.index); break;
        case tkConst:
            constants_.push_back(t.value);
            running = PushItem(tkConst, 0, cConst, static_cast<int>(constants_.size() - 1));
            break;
        case tkLike: running = PushItem(tkLike, t.index, cNone, 0); break;
        default:
            // The short cut looks at a computed or constant value on top while only the start is pending.
            if (t.shortCut && operators_.size() == 1 && operators_[0] == opStart && !items_.empty() &&
                items_.back().kind == tkConst)
                Emit(t.op == opAnd ? cShortAnd : cShortOr);
            running = Process(t.op);
            break;
        }
        if (!running) break;
    }
    if (running) {
        if (tokens.empty()) Emit(cEmpty);
        else if (Process(opEnd)) {
            if (items_.empty()) Emit(cEmpty);
            else if (items_.back().kind == tkField || items_.back().kind == tkConst) Emit(cResult);
            else Failed();
        }
    }
    items_.clear();
    operators_.clear();
    values_.assign(fields_.size(), nullptr);
    slots_.assign(fields_.size(), Variant());
    columns_.resize(fields_.size());
    for (size_t i = 0; i < columns_.size(); ++i) columns_[i] = static_cast<int>(i);
    Fuse();
    stack_.assign(depth_ + 1, nullptr);
    computed_.assign(depth_ + 1, Variant());
}

void T_SqlParser::Bind(const TGIS_SqlFieldBinder& bind) {
    for (size_t i = 0; i < fields_.size(); ++i) columns_[i] = bind(fields_[i]);
}

void T_SqlParser::Fuse() {
    std::vector<Step> fused;
    fused.reserve(program_.size());
    const size_t n = program_.size();
    for (size_t i = 0; i < n; ++i) {
        const Step* p = &program_[i];
        auto at = [&](size_t k, Code code) { return i + k < n && p[k].code == code; };
        if (IsOperand(p[0]) && i + 2 < n && IsOperand(p[1]) && at(2, cCompare)) {
            Step s{cCompareOperands, p[2].op};
            s.a = OperandOf(p[0]);
            s.b = OperandOf(p[1]);
            fused.push_back(s);
            i += 2;
        } else if (IsOperand(p[0]) && i + 3 < n && IsOperand(p[1]) && IsOperand(p[2]) && at(3, cBetween)) {
            Step s{cBetweenOperands, p[3].op};
            s.a = OperandOf(p[0]);
            s.b = OperandOf(p[1]);
            s.c = OperandOf(p[2]);
            fused.push_back(s);
            i += 3;
        } else if (IsOperand(p[0]) && at(1, cNone) && at(2, cLike)) {
            Step s{cLikeOperand, p[2].op, p[2].arg};
            s.a = OperandOf(p[0]);
            fused.push_back(s);
            i += 2;
        } else {
            fused.push_back(p[0]);
        }
    }
    program_ = std::move(fused);
}

bool T_SqlParser::Emit(Code code, uint8_t op, int arg) {
    program_.push_back({code, op, arg});
    return code != cFail;
}

bool T_SqlParser::PushItem(TokenKind kind, int index, Code code, int arg) {
    if (items_.size() >= kValueStackSize) return Failed();
    items_.push_back({kind, index});
    depth_ = std::max(depth_, items_.size());
    return Emit(code, 0, arg);
}

bool T_SqlParser::PushOperator(uint8_t op) {
    if (operators_.size() >= kOperatorStackSize) return Failed();
    operators_.push_back(op);
    return op != opIn || PushItem(tkInMarker, 0, cNone, 0);
}

bool T_SqlParser::Process(uint8_t op) {
    if (op == opOpen || op == opStart) return PushOperator(op);
    if (op != opEnd && (operators_.empty() || operators_.back() < op)) return PushOperator(op);
    while (!operators_.empty()) {
        uint8_t top = operators_.back();
        if (op != opEnd && top < op) break;
        operators_.pop_back();
        if (top == opStart) return true;
        if (top == opOpen) {
            if (op == opClose) return true;
            return Failed();
        }
        if (!Apply(top)) return false;
    }
    if (op == opClose) return Failed();
    if (op == opEnd) return true;
    return PushOperator(op);
}

// Takes the operands of `op` off the kinds' stack and leaves its result, a computed value, in their
// place. An operand that is no value (a pattern or an IN marker) fails here, where it is used.
bool T_SqlParser::Apply(uint8_t op) {
    auto isValue = [](const Item& it) { return it.kind == tkField || it.kind == tkConst; };
    // Pops `n` operands that must all be values.
    auto popValues = [&](size_t n) {
        if (items_.size() < n) return false;
        for (size_t k = 0; k < n; ++k) {
            if (!isValue(items_.back())) return false;
            items_.pop_back();
        }
        return true;
    };
    auto result = [&](Code code, int arg = 0) {
        items_.push_back({tkConst, 0});
        return Emit(code, op, arg);
    };
    switch (op) {
    case opAdd:
    case opSub:
    case opMul:
    case opDiv:
        if (!popValues(1)) return Failed();
        if (!items_.empty() && isValue(items_.back())) {
            items_.pop_back();
            return result(cArith);
        }
        return result(cUnary);
    case opEq:
    case opNe:
    case opLt:
    case opLe:
    case opGt:
    case opGe:
        if (!popValues(2)) return Failed();
        return result(cCompare);
    case opNot:
        if (!popValues(1)) return Failed();
        return result(cNot);
    case opOr:
        if (!popValues(2)) return Failed();
        return result(cOr);
    case opAnd:
        if (!operators_.empty() && operators_.back() == opBetween) {
            operators_.pop_back();
            if (!popValues(3)) return Failed();
            return result(cBetween);
        }
        if (!popValues(2)) return Failed();
        return result(cAnd);
    case opLike: {
        if (items_.empty() || items_.back().kind != tkLike) return Failed();
        int pattern = items_.back().index;
        items_.pop_back();
        if (!popValues(1)) return Failed();
        return result(cLike, pattern);
    }
    case opIn: {
        // The list runs down to the nearest marker; below it lies the tested value.
        size_t marker = items_.size();
        while (marker > 0 && items_[marker - 1].kind != tkInMarker) --marker;
        if (marker < 2 || !isValue(items_[marker - 2])) return Failed();
        int count = static_cast<int>(items_.size() - marker);
        items_.resize(marker - 2);
        return result(cIn, count);
    }
    default: return Failed();  // BETWEEN without its AND, or a bracket
    }
}

namespace {

// A string bound takes the tested value's type first; both ends are included.
bool Between(const Variant& tested, const Variant* low, const Variant* high) {
    Variant convertedLow, convertedHigh;
    if (high->IsString() && !tested.IsString()) high = &(convertedHigh = high->AsType(tested.VarType()));
    if (low->IsString() && !tested.IsString()) low = &(convertedLow = low->AsType(tested.VarType()));
    return Compare(*low, tested) <= 0 && Compare(tested, *high) <= 0;
}

}  // namespace

bool T_SqlParser::Like(int pattern, const Variant& v) const {
    const T_LikeParser& like = likes_[static_cast<size_t>(pattern)];
    return v.IsString() ? like.Match(v.StrRef()) : like.Match(v.AsString());
}

const Variant* T_SqlParser::Run() {
    const Variant** st = stack_.data();
    size_t sp = 0;
    auto value = [](const Variant* v) -> const Variant& {
        if (!v) Fail();
        return *v;
    };
    for (const Step& s : program_) {
        switch (s.code) {
        case cField: st[sp++] = values_[static_cast<size_t>(s.arg)]; break;
        case cConst: st[sp++] = &constants_[static_cast<size_t>(s.arg)]; break;
        case cNone: st[sp++] = nullptr; break;
        case cArith:
        case cUnary: {
            const Variant& right = *st[--sp];
            const Variant& left = s.code == cArith ? *st[--sp] : zero_;
            Variant& out = computed_[sp];
            switch (s.op) {
            case opAdd: out = left + right; break;
            case opSub: out = left - right; break;
            case opMul: out = left * right; break;
            default: out = left / right; break;
            }
            st[sp++] = &out;
            break;
        }
        case cCompare:
            --sp;
            st[sp - 1] = Bool(Holds(s.op, Compare(*st[sp - 1], *st[sp])));
            break;
        case cCompareOperands: st[sp++] = Bool(Holds(s.op, Compare(*Operand(s.a), *Operand(s.b)))); break;
        case cNot: {
            const Variant* v = st[sp - 1];
            if (IsBoolean(v)) {
                st[sp - 1] = Bool(!v->AsBoolean());
            } else {
                computed_[sp - 1] = VarNot(*v);
                st[sp - 1] = &computed_[sp - 1];
            }
            break;
        }
        case cOr:
        case cAnd: {
            const Variant* l = st[sp - 2];
            const Variant* r = st[sp - 1];
            --sp;
            if (IsBoolean(l) && IsBoolean(r)) {
                bool a = l->AsBoolean(), b = r->AsBoolean();
                st[sp - 1] = Bool(s.code == cAnd ? a && b : a || b);
            } else {
                computed_[sp - 1] = s.code == cAnd ? VarAnd(*l, *r) : VarOr(*l, *r);
                st[sp - 1] = &computed_[sp - 1];
            }
            break;
        }
        case cBetween:
            sp -= 3;
            st[sp] = Bool(Between(*st[sp], st[sp + 1], st[sp + 2]));
            ++sp;
            break;
        case cBetweenOperands: st[sp++] = Bool(Between(*Operand(s.a), Operand(s.b), Operand(s.c))); break;
        case cLike:
            // The pattern's place holds no value; the value lies below it.
            --sp;
            st[sp - 1] = Bool(Like(s.arg, *st[sp - 1]));
            break;
        case cLikeOperand: st[sp++] = Bool(Like(s.arg, *Operand(s.a))); break;
        case cIn: {
            const size_t list = sp - static_cast<size_t>(s.arg);
            const Variant& tested = *st[list - 2];
            bool found = false;
            for (size_t k = list; k < sp && !found; ++k) found = Compare(tested, value(st[k])) == 0;
            sp = list - 2;
            st[sp++] = Bool(found);
            break;
        }
        case cShortAnd:
            if (IsBoolean(st[sp - 1]) && !st[sp - 1]->AsBoolean()) return &false_;
            break;
        case cShortOr:
            if (IsBoolean(st[sp - 1]) && st[sp - 1]->AsBoolean()) return &true_;
            break;
        case cResult: return st[sp - 1];
        case cEmpty: return nullptr;
        case cFail: Fail();
        }
    }
    return nullptr;
}

const Variant* T_SqlParser::Execute(const TGIS_SqlFieldEvent& onField) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        slots_[i] = onField ? onField(fields_[i]) : Variant();
        if (slots_[i].IsNull() || slots_[i].IsEmpty()) return nullptr;
        values_[i] = &slots_[i];
    }
    return Run();
}

const Variant* T_SqlParser::Execute(const TGIS_SqlColumnEvent& onColumn) {
    for (size_t i = 0; i < fields_.size(); ++i) {
        const Variant* v = onColumn && columns_[i] >= 0 ? onColumn(columns_[i]) : nullptr;
        if (!v || v->IsNull() || v->IsEmpty()) return nullptr;
        values_[i] = v;
    }
    return Run();
}

TGIS_SqlQuery::TGIS_SqlQuery() : parser_(std::make_unique<T_SqlParser>()) {}
TGIS_SqlQuery::~TGIS_SqlQuery() = default;

void TGIS_SqlQuery::Prepare(const std::string& text, const TGIS_SqlFieldBinder& bind) {
    text_ = text;
    try {
        parser_->Compile(text);
    } catch (...) {
        throw EGIS_Exception(GIS_RS_ERR_WRONGEXPRESSION, text, 0);
    }
    if (!bind) return;
    try {
        parser_->Bind(bind);
    } catch (...) {
        parser_->Clear();
        throw;
    }
}

namespace {

template <class Event>
bool EvaluateBool(T_SqlParser& parser, bool def, const Event& event) {
    try {
        const Variant* r = parser.Execute(event);
        return r ? r->AsBoolean() : false;
    } catch (...) {
        return def;
    }
}

template <class Event>
double EvaluateDouble(T_SqlParser& parser, double def, const Event& event) {
    try {
        const Variant* r = parser.Execute(event);
        return r ? r->AsDouble() : 0;
    } catch (...) {
        return def;
    }
}

}  // namespace

bool TGIS_SqlQuery::Evaluate(bool def, const TGIS_SqlFieldEvent& onField) { return EvaluateBool(*parser_, def, onField); }

double TGIS_SqlQuery::EvaluateFloat(double def, const TGIS_SqlFieldEvent& onField) {
    return EvaluateDouble(*parser_, def, onField);
}

bool TGIS_SqlQuery::Evaluate(bool def, const TGIS_SqlColumnEvent& onColumn) {
    return EvaluateBool(*parser_, def, onColumn);
}

double TGIS_SqlQuery::EvaluateFloat(double def, const TGIS_SqlColumnEvent& onColumn) {
    return EvaluateDouble(*parser_, def, onColumn);
}
