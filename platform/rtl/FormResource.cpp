#include "platform/rtl/FormResource.h"

#include "platform/rtl/CodePage.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

class Parser {
public:
    explicit Parser(const std::string& t) : t_(t) {}

    TFormObject Object() {
        SkipBlanks();
        Nesting guard(*this);
        TFormObject o;
        o.line = line_;
        std::string kw = LowerCase(Word());
        if (kw == "inherited" || kw == "inline") o.inherited = true;
        else if (kw != "object") Fail("'object' expected");
        std::string first = Word();
        if (first.empty()) Fail("component name expected");
        SkipBlanks();
        if (Peek() == ':') {
            ++p_;
            o.name = first;
            o.className = Word();
            if (o.className.empty()) Fail("class name expected");
        } else {
            o.className = first;  // an unnamed component
        }
        SkipLineRest();
        for (;;) {
            SkipBlanks();
            if (AtEnd()) Fail("'end' expected");
            size_t save = p_;
            int saveLine = line_;
            std::string w = Word();
            std::string lw = LowerCase(w);
            if (lw == "end") return o;
            if (lw == "object" || lw == "inherited" || lw == "inline") {
                p_ = save;
                line_ = saveLine;
                o.children.push_back(Object());
                continue;
            }
            o.properties.push_back(Property(w));
        }
    }

    void Finish() {
        SkipBlanks();
        if (!AtEnd()) Fail("text after the last 'end'");
    }

private:
    // Objects, lists and collections nest by recursion: a hostile resource must not exhaust the stack.
    static constexpr int kMaxNesting = 64;
    class Nesting {
    public:
        explicit Nesting(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxNesting) p_.Fail("nested more than " + std::to_string(kMaxNesting) + " levels deep");
        }
        ~Nesting() { --p_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& p_;
    };

    [[noreturn]] void Fail(const std::string& what) const {
        throw EFormResourceError("Form resource, line " + std::to_string(line_) + ": " + what);
    }

    bool AtEnd() const { return p_ >= t_.size(); }
    char Peek() const { return AtEnd() ? '\0' : t_[p_]; }

    void SkipBlanks() {
        while (!AtEnd()) {
            char c = t_[p_];
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (static_cast<unsigned char>(c) <= ' ') {
                ++p_;
            } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '/') {
                while (!AtEnd() && t_[p_] != '\n') ++p_;
            } else {
                break;
            }
        }
    }

    void SkipLineRest() {
        while (!AtEnd() && t_[p_] != '\n' && static_cast<unsigned char>(t_[p_]) <= ' ') ++p_;
    }

    // Identifier, possibly dotted (Font.Name).
    std::string Word() {
        SkipBlanks();
        size_t b = p_;
        while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(t_[p_])) || t_[p_] == '_' || t_[p_] == '.'))
            ++p_;
        return t_.substr(b, p_ - b);
    }

    TFormProperty Property(const std::string& name) {
        if (name.empty()) Fail(std::string("unexpected character '") + Peek() + "'");
        TFormProperty prop;
        prop.name = name;
        prop.line = line_;
        SkipBlanks();
        if (Peek() != '=') Fail("'=' expected after " + name);
        ++p_;
        prop.value = Value();
        return prop;
    }

    TFormValue Value() {
        SkipBlanks();
        TFormValue v;
        char c = Peek();
        if (c == '\'' || c == '#') {
            v.kind = TFormValue::String;
            v.s = StringValue();
        } else if (c == '[') {
            ++p_;
            v.kind = TFormValue::Set;
            for (;;) {
                SkipBlanks();
                if (Peek() == ']') {
                    ++p_;
                    break;
                }
                TFormValue e;
                e.kind = TFormValue::Ident;
                e.s = Word();
                if (e.s.empty()) Fail("set element expected");
                v.items.push_back(e);
                SkipBlanks();
                if (Peek() == ',') ++p_;
                else if (Peek() != ']') Fail("',' or ']' expected");
            }
        } else if (c == '(') {
            Nesting guard(*this);
            ++p_;
            v.kind = TFormValue::List;
            for (;;) {
                SkipBlanks();
                if (Peek() == ')') {
                    ++p_;
                    break;
                }
                if (AtEnd()) Fail("')' expected");
                v.items.push_back(Value());
            }
        } else if (c == '<') {
            Nesting guard(*this);
            ++p_;
            v.kind = TFormValue::Collection;
            for (;;) {
                SkipBlanks();
                if (Peek() == '>') {
                    ++p_;
                    break;
                }
                if (LowerCase(Word()) != "item") Fail("'item' expected");
                TFormItem item;
                for (;;) {
                    SkipBlanks();
                    if (AtEnd()) Fail("'end' expected");
                    std::string w = Word();
                    if (LowerCase(w) == "end") break;
                    item.properties.push_back(Property(w));
                }
                v.collection.push_back(std::move(item));
            }
        } else if (c == '{') {
            ++p_;
            v.kind = TFormValue::Binary;
            std::string hex;
            while (!AtEnd() && Peek() != '}') {
                char h = t_[p_++];
                if (h == '\n') ++line_;
                if (std::isxdigit(static_cast<unsigned char>(h))) hex += h;
                else if (static_cast<unsigned char>(h) > ' ') Fail("hexadecimal digit expected");
            }
            if (AtEnd()) Fail("'}' expected");
            ++p_;
            if (hex.size() % 2) Fail("odd number of hexadecimal digits");
            for (size_t i = 0; i < hex.size(); i += 2) v.s += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        } else if (c == '-' || c == '+' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            Number(v);
        } else {
            v.kind = TFormValue::Ident;
            v.s = Word();
            if (v.s.empty()) Fail(std::string("value expected, found '") + c + "'");
        }
        return v;
    }

    void Number(TFormValue& v) {
        size_t b = p_;
        bool neg = false;
        if (Peek() == '-' || Peek() == '+') neg = t_[p_++] == '-';
        if (Peek() == '$') {
            ++p_;
            size_t h = p_;
            while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(Peek()))) ++p_;
            uint64_t x = 0;
            auto r = std::from_chars(t_.data() + h, t_.data() + p_, x, 16);
            if (h == p_ || r.ec != std::errc()) Fail("hexadecimal number expected");
            v.kind = TFormValue::Integer;
            v.i = neg ? -static_cast<int64_t>(x) : static_cast<int64_t>(x);
            return;
        }
        while (!AtEnd() && (std::isdigit(static_cast<unsigned char>(Peek())) || Peek() == '.' || Peek() == 'e' ||
                            Peek() == 'E' || ((Peek() == '-' || Peek() == '+') && (t_[p_ - 1] == 'e' || t_[p_ - 1] == 'E'))))
            ++p_;
        std::string text = t_.substr(b, p_ - b);
        if (text.find_first_of(".eE") == std::string::npos) {
            int64_t x;
            const char* s = text.data() + (text[0] == '+' ? 1 : 0);
            auto r = std::from_chars(s, text.data() + text.size(), x);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size()) Fail("bad number " + text);
            v.kind = TFormValue::Integer;
            v.i = x;
        } else {
            double x;
            const char* s = text.data() + (text[0] == '+' ? 1 : 0);
            auto r = std::from_chars(s, text.data() + text.size(), x);
            if (r.ec != std::errc() || r.ptr != text.data() + text.size()) Fail("bad number " + text);
            v.kind = TFormValue::Float;
            v.d = x;
        }
    }

    // 'quoted' pieces ('' is a quote), #n character codes, joined by '+' across lines.
    std::string StringValue() {
        std::string out;
        for (;;) {
            char c = Peek();
            if (c == '\'') {
                ++p_;
                for (;;) {
                    if (AtEnd() || Peek() == '\n') Fail("unterminated string");
                    char ch = t_[p_++];
                    if (ch == '\'') {
                        if (Peek() == '\'') {
                            out += '\'';
                            ++p_;
                        } else {
                            break;
                        }
                    } else {
                        out += ch;
                    }
                }
            } else if (c == '#') {
                ++p_;
                size_t b = p_;
                while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek()))) ++p_;
                unsigned code = 0;
                auto r = std::from_chars(t_.data() + b, t_.data() + p_, code);
                if (b == p_ || r.ec != std::errc() || code > 0x10FFFF) Fail("bad character code");
                out += CodeToGbk(code);
            } else {
                size_t save = p_;
                int saveLine = line_;
                SkipBlanks();
                if (Peek() == '+') {
                    ++p_;
                    SkipBlanks();
                    if (Peek() != '\'' && Peek() != '#') Fail("string expected after '+'");
                    continue;
                }
                p_ = save;
                line_ = saveLine;
                return out;
            }
        }
    }

    // Character codes above 255 are Unicode code points, written in the system's code page.
    std::string CodeToGbk(unsigned code) {
        if (code < 256) return std::string(1, static_cast<char>(code));
        const char in[4] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8 & 0xFF),
                            static_cast<char>(code >> 16 & 0xFF), 0};
        std::string out;
        return ConvertEncoding(std::string(in, 4), "GBK", "UTF-32LE", "?", 4, out) ? out : "?";
    }

    const std::string& t_;
    size_t p_ = 0;
    int line_ = 1;
    int depth_ = 0;
};

}  // namespace

TFormObject ParseFormResource(const std::string& text) {
    Parser p(text);
    TFormObject o = p.Object();
    p.Finish();
    return o;
}
