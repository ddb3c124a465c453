#include "platform/ui/Component.h"

#include <algorithm>
#include <cctype>
#include <map>

const TEnumInfo BooleanIdents{{"False", "True"}};

int TEnumInfo::ValueOf(const std::string& name) const {
    std::string n = LowerCase(Trim(name));
    for (size_t i = 0; i < names.size(); ++i)
        if (LowerCase(names[i]) == n) return int(i);
    return -1;
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
    for (const TClassInfo* c = this; c; c = c->parent)
        if (c == other) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProp(const std::string& n) const {
    std::string key = LowerCase(n);
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const TPropInfo& p : c->props)
            if (LowerCase(p.name) == key) return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const std::string& n) const {
    std::string key = LowerCase(n);
    for (const TClassInfo* c = this; c; c = c->parent)
        for (const TMethodInfo& m : c->methods)
            if (LowerCase(m.name) == key) return &m;
    return nullptr;
}

const TClassInfo& TObject::StaticClass() {
    static TClassInfo ci{"TObject", nullptr, {}, {}, {}};
    return ci;
}
QM_ABSTRACT_CLASS_RECORD(TPersistent, TObject)
const TClassInfo& TComponent::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TComponent", &TPersistent::StaticClass(), Creator<TComponent>(), {}, {}};
        TPropInfo name;
        name.name = "Name";
        name.kind = tkString;
        name.getStr = [](const TObject* o) { return static_cast<const TComponent*>(o)->Name(); };
        name.setStr = [](TObject* o, const std::string& v) { static_cast<TComponent*>(o)->SetName(v); };
        TPropInfo tag;
        tag.name = "Tag";
        tag.defaultOrd = 0;
        tag.getOrd = [](const TObject* o) { return int64_t(static_cast<const TComponent*>(o)->Tag); };
        tag.setOrd = [](TObject* o, int64_t v) { static_cast<TComponent*>(o)->Tag = intptr_t(v); };
        c.props = {name, tag};
        return c;
    }();
    return ci;
}

// ---------------------------------------------------------------- component
TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Those who asked are told first, while this component is still whole.
    std::vector<TComponent*> notify;
    notify.swap(freeNotifies_);
    for (TComponent* c : notify) {
        auto& back = c->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        c->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

namespace {
bool IsIdent(const std::string& s) {
    if (s.empty()) return false;
    if (!(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}
}  // namespace

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
    if (!name.empty() && owner_) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this) throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& v = owner_->components_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    if (name.empty()) return nullptr;
    std::string key = LowerCase(name);
    for (TComponent* c : components_)
        if (LowerCase(c->name_) == key) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
    if (!c || c->owner_ == this) return;
    if (c->owner_) c->owner_->RemoveComponent(c);
    if (!c->name_.empty() && FindComponent(c->name_))
        throw EComponentError("A component named " + c->name_ + " already exists");
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    Notification(c, opRemove);
    // The notification may have changed the list.
    it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end()) components_.erase(it);
    c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    if (!c) return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), c), freeNotifies_.end());
    c->freeNotifies_.erase(std::remove(c->freeNotifies_.begin(), c->freeNotifies_.end(), this),
                           c->freeNotifies_.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::Loaded() { state_ &= ~uint32_t(csLoading | csReading); }

// ---------------------------------------------------------------- registry
namespace {
std::map<std::string, const TClassInfo*>& Registry() {
    static std::map<std::string, const TClassInfo*> r;
    return r;
}
}  // namespace

void RegisterClass(const TClassInfo& c) { Registry()[LowerCase(c.name)] = &c; }

const TClassInfo* GetClass(const std::string& name) {
    auto it = Registry().find(LowerCase(name));
    return it == Registry().end() ? nullptr : it->second;
}

const TClassInfo& FindClass(const std::string& name) {
    const TClassInfo* c = GetClass(name);
    if (!c) throw EClassNotFound("Class " + name + " not found");
    return *c;
}

// ---------------------------------------------------------------- properties
const TPropInfo* GetPropInfo(const TObject* o, const std::string& name) {
    if (!o) return nullptr;
    return o->ClassType()->FindProp(name);
}

bool IsPublishedProp(const TObject* o, const std::string& name) { return GetPropInfo(o, name) != nullptr; }

namespace {
const TPropInfo& Need(const TObject* o, const std::string& name) {
    const TPropInfo* p = GetPropInfo(o, name);
    if (!p) throw EPropertyError("Unknown property: " + name);
    return *p;
}
}  // namespace

int64_t GetOrdProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    if (!p.getOrd) throw EPropertyError("Property " + name + " is not ordinal");
    return p.getOrd(o);
}

void SetOrdProp(TObject* o, const std::string& name, int64_t v) {
    const TPropInfo& p = Need(o, name);
    if (!p.setOrd) throw EPropertyError("Property " + name + " is read-only");
    if (p.kind == tkEnumeration && p.idents && (v < 0 || v >= int64_t(p.idents->names.size())))
        throw ERangeError();
    p.setOrd(o, v);
}

std::string GetEnumProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    int64_t v = GetOrdProp(o, name);
    if (p.idents && v >= 0 && v < int64_t(p.idents->names.size())) return p.idents->names[size_t(v)];
    return IntToStr(v);
}

void SetEnumProp(TObject* o, const std::string& name, const std::string& ident) {
    const TPropInfo& p = Need(o, name);
    if (!p.idents) throw EPropertyError("Property " + name + " is not an enumeration");
    int v = p.idents->ValueOf(ident);
    if (v < 0) throw EPropertyError("Invalid property value " + ident);
    SetOrdProp(o, name, v);
}

std::string SetToString(const TEnumInfo& e, uint64_t bits) {
    std::string s = "[";
    bool first = true;
    for (size_t i = 0; i < e.names.size() && i < 64; ++i)
        if (bits & (uint64_t(1) << i)) {
            if (!first) s += ",";
            s += e.names[i];
            first = false;
        }
    return s + "]";
}

uint64_t StringToSet(const TEnumInfo& e, const std::string& text) {
    std::string t = Trim(text);
    if (!t.empty() && t.front() == '[') t.erase(0, 1);
    if (!t.empty() && t.back() == ']') t.pop_back();
    uint64_t bits = 0;
    size_t start = 0;
    while (start <= t.size()) {
        size_t comma = t.find(',', start);
        std::string item = Trim(t.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!item.empty()) {
            int v = e.ValueOf(item);
            if (v < 0) throw EPropertyError("Invalid property element: " + item);
            bits |= uint64_t(1) << v;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return bits;
}

std::string GetSetProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    if (p.kind != tkSet || !p.idents) throw EPropertyError("Property " + name + " is not a set");
    return SetToString(*p.idents, uint64_t(GetOrdProp(o, name)));
}

void SetSetProp(TObject* o, const std::string& name, const std::string& text) {
    const TPropInfo& p = Need(o, name);
    if (p.kind != tkSet || !p.idents) throw EPropertyError("Property " + name + " is not a set");
    SetOrdProp(o, name, int64_t(StringToSet(*p.idents, text)));
}

std::string GetStrProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    if (!p.getStr) throw EPropertyError("Property " + name + " is not a string");
    return p.getStr(o);
}

void SetStrProp(TObject* o, const std::string& name, const std::string& v) {
    const TPropInfo& p = Need(o, name);
    if (!p.setStr) throw EPropertyError("Property " + name + " is read-only");
    p.setStr(o, v);
}

double GetFloatProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    if (p.getFloat) return p.getFloat(o);
    if (p.getOrd) return double(p.getOrd(o));
    throw EPropertyError("Property " + name + " is not a number");
}

void SetFloatProp(TObject* o, const std::string& name, double v) {
    const TPropInfo& p = Need(o, name);
    if (!p.setFloat) throw EPropertyError("Property " + name + " is read-only");
    p.setFloat(o, v);
}

TObject* GetObjectProp(const TObject* o, const std::string& name) {
    const TPropInfo& p = Need(o, name);
    if (!p.getObj) throw EPropertyError("Property " + name + " is not an object");
    return p.getObj(o);
}

void SetObjectProp(TObject* o, const std::string& name, TObject* v) {
    const TPropInfo& p = Need(o, name);
    if (!p.setObj) throw EPropertyError("Property " + name + " is read-only");
    p.setObj(o, v);
}

void SetMethodProp(TObject* o, const std::string& name, TObject* handlerOwner, const std::string& method) {
    const TPropInfo& p = Need(o, name);
    if (!p.setMethod) throw EPropertyError("Property " + name + " is not an event");
    const TMethodInfo* m = handlerOwner ? handlerOwner->ClassType()->FindMethod(method) : nullptr;
    if (!m) throw EPropertyError("Method " + method + " not found");
    p.setMethod(o, m->bind(handlerOwner));
}
