#include "platform/ui/FormLoader.h"

#include <map>
#include <vector>

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"

namespace {

std::map<std::string, std::string>& Resources() {
    static std::map<std::string, std::string> r;
    return r;
}

struct ReaderKey {
    const TClassInfo* cls;
    std::string name;
    bool operator<(const ReaderKey& o) const { return cls != o.cls ? cls < o.cls : name < o.name; }
};
std::map<ReaderKey, TPropertyReader>& Readers() {
    static std::map<ReaderKey, TPropertyReader> r;
    return r;
}
std::map<const TClassInfo*, TChildAdopter>& Adopters() {
    static std::map<const TClassInfo*, TChildAdopter> a;
    return a;
}
std::map<std::string, int64_t>& Idents() {
    static std::map<std::string, int64_t> m = [] {
        std::map<std::string, int64_t> t = {
            {"clscrollbar", clScrollBar}, {"clbackground", clBackground}, {"clactivecaption", clActiveCaption},
            {"clinactivecaption", clInactiveCaption}, {"clmenu", clMenu}, {"clwindow", clWindow},
            {"clwindowframe", clWindowFrame}, {"clmenutext", clMenuText}, {"clwindowtext", clWindowText},
            {"clcaptiontext", clCaptionText}, {"clactiveborder", clActiveBorder},
            {"clinactiveborder", clInactiveBorder}, {"clappworkspace", clAppWorkSpace},
            {"clhighlight", clHighlight}, {"clhighlighttext", clHighlightText}, {"clbtnface", clBtnFace},
            {"clbtnshadow", clBtnShadow}, {"clgraytext", clGrayText}, {"clbtntext", clBtnText},
            {"clinactivecaptiontext", clInactiveCaptionText}, {"clbtnhighlight", clBtnHighlight},
            {"cl3ddkshadow", cl3DDkShadow}, {"cl3dlight", cl3DLight}, {"clinfotext", clInfoText},
            {"clinfobk", clInfoBk}, {"clblack", clBlack}, {"clmaroon", clMaroon}, {"clgreen", clGreen},
            {"clolive", clOlive}, {"clnavy", clNavy}, {"clpurple", clPurple}, {"clteal", clTeal},
            {"clgray", clGray}, {"clsilver", clSilver}, {"clred", clRed}, {"cllime", clLime},
            {"clyellow", clYellow}, {"clblue", clBlue}, {"clfuchsia", clFuchsia}, {"claqua", clAqua},
            {"clwhite", clWhite}, {"clltgray", clLtGray}, {"cldkgray", clDkGray}, {"clmoneygreen", clMoneyGreen},
            {"clskyblue", clSkyBlue}, {"clcream", clCream}, {"clmedgray", clMedGray}, {"clnone", clNone},
            {"cldefault", clDefault}, {"ansi_charset", ANSI_CHARSET}, {"default_charset", DEFAULT_CHARSET},
            {"symbol_charset", SYMBOL_CHARSET}, {"gb2312_charset", GB2312_CHARSET},
            {"crdefault", crDefault}, {"crnone", crNone}, {"crarrow", crArrow}, {"crcross", crCross},
            {"cribeam", crIBeam}, {"crsizenesw", crSizeNESW}, {"crsizens", crSizeNS}, {"crsizenwse", crSizeNWSE},
            {"crsizewe", crSizeWE}, {"cruparrow", crUpArrow}, {"crhourglass", crHourGlass}, {"crdrag", crDrag},
            {"crnodrop", crNoDrop},
        };
        return t;
    }();
    return m;
}

// The classes every resource may name, and how menu items nest.
void RegisterStandard() {
    static bool done = [] {
        RegisterClass(TMenuItem::StaticClass());
        RegisterClass(TPopupMenu::StaticClass());
        RegisterChildAdopter(TPopupMenu::StaticClass(), [](TComponent* parent, TComponent* child) {
            auto* item = dynamic_cast<TMenuItem*>(child);
            if (!item) throw EFormResourceError(child->Name() + " is not a menu item");
            static_cast<TPopupMenu*>(parent)->Items()->Add(item);
        });
        RegisterChildAdopter(TMenuItem::StaticClass(), [](TComponent* parent, TComponent* child) {
            auto* item = dynamic_cast<TMenuItem*>(child);
            if (!item) throw EFormResourceError(child->Name() + " is not a menu item");
            static_cast<TMenuItem*>(parent)->Add(item);
        });
        return true;
    }();
    (void)done;
}

struct Fixup {
    TObject* target;
    const TPropInfo* prop;
    std::string ref;
    std::string where;
};

class Loader {
public:
    explicit Loader(TComponent* root) : root_(root) {}

    void Read(const TFormObject& o) {
        RegisterStandard();
        const TClassInfo* cls = GetClass(o.className);
        if (!(cls && root_->ClassType()->InheritsFrom(cls)) && LowerCase(o.className) != LowerCase(root_->ClassName()))
            Fail(o.line, "resource of class " + o.className + " read into " + root_->ClassName());
        root_->BeginLoading();
        loaded_.push_back(root_);
        if (!o.name.empty() && root_->Name().empty()) {
            // A second form of one resource under the same owner is named as the first with "_1", "_2"...
            TComponent* owner = root_->Owner();
            std::string name = o.name;
            for (int k = 1; owner && owner->FindComponent(name) && owner->FindComponent(name) != root_; ++k)
                name = o.name + "_" + std::to_string(k);
            root_->SetName(name);
        }
        SetProperties(root_, o.properties, o.className);
        for (auto& child : o.children) ReadChild(root_, child);
        for (auto& f : fixups_) {
            TObject* ref = nullptr;
            if (LowerCase(f.ref) != "nil") {
                ref = LowerCase(f.ref) == LowerCase(root_->Name()) ? root_ : root_->FindComponent(f.ref);
                if (!ref) throw EFormResourceError(f.where + ": component " + f.ref + " not found");
            }
            try {
                f.prop->setObj(f.target, ref);
            } catch (const EPropertyError& e) {
                throw EFormResourceError(f.where + ": " + e.Message);
            }
        }
        for (TComponent* c : loaded_) c->Loaded();
    }

private:
    [[noreturn]] static void Fail(int line, const std::string& what) {
        throw EFormResourceError("Form resource, line " + std::to_string(line) + ": " + what);
    }

    const TClassInfo& FindClassOf(const TFormObject& o) {
        const TClassInfo* c = GetClass(o.className);
        if (!c) Fail(o.line, "class " + o.className + " not found");
        return *c;
    }

    void ReadChild(TComponent* parent, const TFormObject& o) {
        const TClassInfo& cls = FindClassOf(o);
        if (!cls.create) Fail(o.line, "class " + o.className + " cannot be created");
        TComponent* c = cls.create(root_);
        c->BeginLoading();
        loaded_.push_back(c);
        try {
            c->SetName(o.name);
        } catch (const EComponentError& e) {
            Fail(o.line, e.Message);
        }
        Adopt(parent, c, o);
        SetProperties(c, o.properties, o.className);
        for (auto& child : o.children) ReadChild(c, child);
    }

    void Adopt(TComponent* parent, TComponent* child, const TFormObject& o) {
        for (const TClassInfo* k = parent->ClassType(); k; k = k->parent) {
            auto it = Adopters().find(k);
            if (it != Adopters().end()) {
                it->second(parent, child);
                return;
            }
        }
        auto* ctl = dynamic_cast<TControl*>(child);
        auto* win = dynamic_cast<TWinControl*>(parent);
        if (ctl && win) ctl->SetParent(win);
        else if (ctl && parent != root_) Fail(o.line, o.name + " cannot be placed on " + parent->Name());
    }

    static const TPropertyReader* FindReader(const TObject* o, const std::string& name) {
        std::string lname = LowerCase(name);
        for (const TClassInfo* k = o->ClassType(); k; k = k->parent) {
            auto it = Readers().find({k, lname});
            if (it != Readers().end()) return &it->second;
        }
        return nullptr;
    }

    void SetProperties(TObject* o, const std::vector<TFormProperty>& props, const std::string& className) {
        for (auto& p : props) SetProperty(o, p, className);
    }

    void SetProperty(TObject* o, const TFormProperty& p, const std::string& className) {
        const std::string where = "Form resource, line " + std::to_string(p.line);
        try {
            // The whole dotted name may have a reader (Items.Strings); otherwise walk the nested objects.
            TObject* target = o;
            std::string rest = p.name;
            for (;;) {
                if (const TPropertyReader* r = FindReader(target, rest)) {
                    (*r)(target, p.value);
                    return;
                }
                size_t dot = rest.find('.');
                if (dot == std::string::npos) break;
                const TPropInfo* nested = target->ClassType()->FindProp(rest.substr(0, dot));
                if (!nested || !nested->getObj)
                    throw EFormResourceError(where + ": property " + className + "." + p.name + " does not exist");
                target = nested->getObj(target);
                if (!target) throw EFormResourceError(where + ": property " + className + "." + p.name + " is empty");
                rest = rest.substr(dot + 1);
            }
            const TPropInfo* info = target->ClassType()->FindProp(rest);
            if (!info) throw EFormResourceError(where + ": property " + className + "." + p.name + " does not exist");
            Assign(target, *info, p, where);
        } catch (const EFormResourceError&) {
            throw;
        } catch (const Exception& e) {
            throw EFormResourceError(where + ": " + className + "." + p.name + ": " + e.Message);
        }
    }

    void Assign(TObject* o, const TPropInfo& info, const TFormProperty& p, const std::string& where) {
        const TFormValue& v = p.value;
        auto bad = [&]() -> void {
            throw EFormResourceError(where + ": invalid value for property " + p.name);
        };
        switch (info.kind) {
        case tkInteger: {
            int64_t x = 0;
            if (v.kind == TFormValue::Integer) x = v.i;
            else if (v.kind == TFormValue::Ident && IdentToInt(v.s, x)) {
            } else bad();
            if (!info.setOrd) bad();
            info.setOrd(o, x);
            break;
        }
        case tkEnumeration: {
            if (v.kind != TFormValue::Ident || !info.idents || !info.setOrd) bad();
            int x = info.idents->ValueOf(v.s);
            if (x < 0) throw EFormResourceError(where + ": unknown value " + v.s + " of property " + p.name);
            info.setOrd(o, x);
            break;
        }
        case tkSet: {
            if (v.kind != TFormValue::Set || !info.idents || !info.setOrd) bad();
            int64_t bits = 0;
            for (auto& e : v.items) {
                int x = info.idents->ValueOf(e.s);
                if (x < 0) throw EFormResourceError(where + ": unknown value " + e.s + " of property " + p.name);
                bits |= int64_t(1) << x;
            }
            info.setOrd(o, bits);
            break;
        }
        case tkFloat:
            if (!info.setFloat) bad();
            if (v.kind == TFormValue::Integer) info.setFloat(o, static_cast<double>(v.i));
            else if (v.kind == TFormValue::Float) info.setFloat(o, v.d);
            else bad();
            break;
        case tkString:
            if (!info.setStr) bad();
            if (v.kind == TFormValue::String || v.kind == TFormValue::Ident) info.setStr(o, v.s);
            else if (v.kind == TFormValue::Integer) info.setStr(o, std::to_string(v.i));
            else bad();
            break;
        case tkClass:
            if (!info.setObj || v.kind != TFormValue::Ident) bad();
            fixups_.push_back({o, &info, v.s, where});
            break;
        case tkMethod: {
            if (v.kind != TFormValue::Ident || !info.setMethod) bad();
            const TMethodInfo* m = root_->ClassType()->FindMethod(v.s);
            if (!m) throw EFormResourceError(where + ": handler " + v.s + " not found in " + root_->ClassName());
            try {
                info.setMethod(o, m->bind(root_));
            } catch (const EPropertyError&) {
                throw EFormResourceError(where + ": handler " + v.s + " does not fit event " + p.name);
            }
            break;
        }
        }
    }

    TComponent* root_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

}  // namespace

void RegisterFormResource(const std::string& name, const std::string& text) { Resources()[UpperCase(name)] = text; }

const std::string& FindFormResource(const std::string& name) {
    auto it = Resources().find(UpperCase(name));
    if (it == Resources().end()) throw EFormResourceError("Resource " + name + " not found");
    return it->second;
}

void ReadComponentResource(TComponent* root, const std::string& text) { Loader(root).Read(ParseFormResource(text)); }

void InitComponentFromResource(TComponent* root) { ReadComponentResource(root, FindFormResource(root->ClassName())); }

void RegisterPropertyReader(const TClassInfo& cls, const std::string& name, TPropertyReader reader) {
    Readers()[{&cls, LowerCase(name)}] = std::move(reader);
}

void RegisterChildAdopter(const TClassInfo& parentClass, TChildAdopter adopter) {
    Adopters()[&parentClass] = std::move(adopter);
}

void RegisterIntegerIdent(const std::string& ident, int64_t value) { Idents()[LowerCase(ident)] = value; }

bool IdentToInt(const std::string& ident, int64_t& value) {
    auto it = Idents().find(LowerCase(ident));
    if (it == Idents().end()) return false;
    value = it->second;
    return true;
}
