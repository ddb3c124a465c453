// Components: ownership with free notification, names, and run-time class and property information, so that
// a form loader can create components by class name, set published properties by name and bind events to
// handler methods by name.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/SysUtils.h"

class TObject;
class TComponent;
struct TClassInfo;

class EComponentError : public Exception { using Exception::Exception; };
class EPropertyError : public Exception { using Exception::Exception; };
class EClassNotFound : public Exception { using Exception::Exception; };

enum TTypeKind : uint8_t { tkInteger, tkEnumeration, tkSet, tkFloat, tkString, tkClass, tkMethod };

// Identifier names of an enumeration (ordinal = index) or of the elements of a set (bit = index).
struct TEnumInfo {
    std::vector<std::string> names;
    // -1 when unknown (case-insensitive).
    int ValueOf(const std::string& name) const;
};
extern const TEnumInfo BooleanIdents;  // False, True

struct TPropInfo {
    std::string name;
    TTypeKind kind = tkInteger;
    const TEnumInfo* idents = nullptr;  // enumerations and sets
    std::function<int64_t(const TObject*)> getOrd;
    std::function<void(TObject*, int64_t)> setOrd;
    std::function<double(const TObject*)> getFloat;
    std::function<void(TObject*, double)> setFloat;
    std::function<std::string(const TObject*)> getStr;
    std::function<void(TObject*, const std::string&)> setStr;
    std::function<TObject*(const TObject*)> getObj;  // nested objects (Font) and references (PopupMenu)
    std::function<void(TObject*, TObject*)> setObj;  // references only; nested objects have none
    std::function<void(TObject*, const std::any&)> setMethod;  // takes the event's std::function
    int64_t defaultOrd = INT64_MIN;  // INT64_MIN: no default, always stored
};

// A published handler method, bound to an instance as the std::function of its event type.
struct TMethodInfo {
    std::string name;
    std::function<std::any(TObject*)> bind;
};

struct TClassInfo {
    std::string name;
    const TClassInfo* parent = nullptr;
    std::function<TComponent*(TComponent* owner)> create;  // empty for abstract classes
    std::vector<TPropInfo> props;
    std::vector<TMethodInfo> methods;

    bool InheritsFrom(const TClassInfo* other) const;
    const TPropInfo* FindProp(const std::string& name) const;      // along the class chain
    const TMethodInfo* FindMethod(const std::string& name) const;  // along the class chain
};

// The run-time class information of a registered class, declared in its body: the record of the class
// and the virtual that reports it for an object.
#define QM_CLASS_INFO                   \
    static const TClassInfo& StaticClass(); \
    const TClassInfo* ClassType() const override { return &StaticClass(); }

// The record of a class with no properties of its own, below its parent's; the form loader creates the
// class from its name unless it is abstract.
#define QM_CLASS_RECORD(Class, Parent)                                                         \
    const TClassInfo& Class::StaticClass() {                                                   \
        static const TClassInfo ci{#Class, &Parent::StaticClass(), Creator<Class>(), {}, {}}; \
        return ci;                                                                             \
    }
#define QM_ABSTRACT_CLASS_RECORD(Class, Parent)                                   \
    const TClassInfo& Class::StaticClass() {                                      \
        static const TClassInfo ci{#Class, &Parent::StaticClass(), {}, {}, {}}; \
        return ci;                                                                \
    }

class TObject {
public:
    virtual ~TObject() = default;
    static const TClassInfo& StaticClass();
    virtual const TClassInfo* ClassType() const { return &StaticClass(); }
    std::string ClassName() const { return ClassType()->name; }
    bool InheritsFrom(const TClassInfo& c) const { return ClassType()->InheritsFrom(&c); }
};

class TPersistent : public TObject {
public:
    QM_CLASS_INFO
};

enum TOperation : uint8_t { opInsert, opRemove };
enum : uint32_t { csLoading = 1, csReading = 2, csWriting = 4, csDestroying = 8, csDesigning = 16,
                  csAncestor = 32, csUpdating = 64, csFixups = 128, csInline = 256, csDesignInstance = 512 };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    QM_CLASS_INFO

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Raises EComponentError for an invalid identifier or a name already used among the owner's components.
    virtual void SetName(const std::string& name);
    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int i) const { return components_.at(size_t(i)); }
    int ComponentIndex() const;
    // Case-insensitive; nullptr when absent.
    TComponent* FindComponent(const std::string& name) const;
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    // Frees every owned component, last first.
    void DestroyComponents();
    // c is told (Notification opRemove) when this component goes, and the other way round.
    void FreeNotification(TComponent* c);
    void RemoveFreeNotification(TComponent* c);
    uint32_t ComponentState() const { return state_; }
    bool IsLoading() const { return state_ & csLoading; }
    bool IsDesigning() const { return state_ & csDesigning; }
    bool IsDestroying() const { return state_ & csDestroying; }
    // The form loader brackets the reading of a component with these.
    void BeginLoading() { state_ |= csLoading | csReading; }
    virtual void Loaded();
    intptr_t Tag = 0;

protected:
    virtual void Notification(TComponent* c, TOperation op);
    void Destroying() { state_ |= csDestroying; }
    void SetDesigning(bool d) { d ? state_ |= csDesigning : state_ &= ~uint32_t(csDesigning); }

private:
    TComponent* owner_ = nullptr;
    std::string name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    uint32_t state_ = 0;
};

// Class registry, by name (case-insensitive).
void RegisterClass(const TClassInfo& c);
const TClassInfo* GetClass(const std::string& name);
const TClassInfo& FindClass(const std::string& name);  // raises EClassNotFound ("Class X not found")

// Run-time property access; unknown names raise EPropertyError ("Unknown property: X").
const TPropInfo* GetPropInfo(const TObject* o, const std::string& name);
bool IsPublishedProp(const TObject* o, const std::string& name);
int64_t GetOrdProp(const TObject* o, const std::string& name);
void SetOrdProp(TObject* o, const std::string& name, int64_t v);
std::string GetEnumProp(const TObject* o, const std::string& name);
void SetEnumProp(TObject* o, const std::string& name, const std::string& ident);
// Set values as text: "[sdLeft,sdTop]".
std::string GetSetProp(const TObject* o, const std::string& name);
void SetSetProp(TObject* o, const std::string& name, const std::string& text);
std::string GetStrProp(const TObject* o, const std::string& name);
void SetStrProp(TObject* o, const std::string& name, const std::string& v);
double GetFloatProp(const TObject* o, const std::string& name);
void SetFloatProp(TObject* o, const std::string& name, double v);
TObject* GetObjectProp(const TObject* o, const std::string& name);
void SetObjectProp(TObject* o, const std::string& name, TObject* v);
// Binds the method `method` of `handlerOwner` to the event property; a handler of another signature
// raises EPropertyError.
void SetMethodProp(TObject* o, const std::string& name, TObject* handlerOwner, const std::string& method);
std::string SetToString(const TEnumInfo& e, uint64_t bits);
uint64_t StringToSet(const TEnumInfo& e, const std::string& text);  // EPropertyError for unknown names

// ---- helpers for the property tables of the classes ----
template <class C, class T>
TPropInfo OrdProp(const std::string& name, T (C::*get)() const, void (C::*set)(T), int64_t def = INT64_MIN,
                  const TEnumInfo* idents = nullptr, TTypeKind kind = tkInteger) {
    TPropInfo p;
    p.name = name;
    p.kind = idents && kind == tkInteger ? tkEnumeration : kind;
    p.idents = idents;
    p.defaultOrd = def;
    p.getOrd = [get](const TObject* o) { return int64_t((static_cast<const C*>(o)->*get)()); };
    if (set) p.setOrd = [set](TObject* o, int64_t v) { (static_cast<C*>(o)->*set)(T(v)); };
    return p;
}
template <class C>
TPropInfo BoolProp(const std::string& name, bool (C::*get)() const, void (C::*set)(bool), int def = -1) {
    TPropInfo p;
    p.name = name;
    p.kind = tkEnumeration;
    p.idents = &BooleanIdents;
    p.defaultOrd = def < 0 ? INT64_MIN : def;
    p.getOrd = [get](const TObject* o) { return int64_t((static_cast<const C*>(o)->*get)()); };
    p.setOrd = [set](TObject* o, int64_t v) { (static_cast<C*>(o)->*set)(v != 0); };
    return p;
}
template <class C, class T>
TPropInfo SetProp(const std::string& name, T (C::*get)() const, void (C::*set)(T), const TEnumInfo* idents,
                  int64_t def = INT64_MIN) {
    TPropInfo p = OrdProp(name, get, set, def, idents, tkSet);
    return p;
}
template <class C>
TPropInfo StrProp(const std::string& name, std::string (C::*get)() const, void (C::*set)(const std::string&)) {
    TPropInfo p;
    p.name = name;
    p.kind = tkString;
    p.getStr = [get](const TObject* o) { return (static_cast<const C*>(o)->*get)(); };
    p.setStr = [set](TObject* o, const std::string& v) { (static_cast<C*>(o)->*set)(v); };
    return p;
}
template <class C>
TPropInfo FloatProp(const std::string& name, double (C::*get)() const, void (C::*set)(double)) {
    TPropInfo p;
    p.name = name;
    p.kind = tkFloat;
    p.getFloat = [get](const TObject* o) { return (static_cast<const C*>(o)->*get)(); };
    p.setFloat = [set](TObject* o, double v) { (static_cast<C*>(o)->*set)(v); };
    return p;
}
// A nested object property (Font, Constraints): read-only, its own properties are set through it.
template <class C, class T>
TPropInfo NestedProp(const std::string& name, T* (C::*get)() const) {
    TPropInfo p;
    p.name = name;
    p.kind = tkClass;
    p.getObj = [get](const TObject* o) { return static_cast<TObject*>((static_cast<const C*>(o)->*get)()); };
    return p;
}
// A reference to another component (PopupMenu, FrameController).
template <class C, class T>
TPropInfo RefProp(const std::string& name, T* (C::*get)() const, void (C::*set)(T*)) {
    TPropInfo p = NestedProp(name, get);
    p.setObj = [set](TObject* o, TObject* v) {
        T* t = v ? dynamic_cast<T*>(v) : nullptr;
        if (v && !t) throw EPropertyError("Invalid property value");
        (static_cast<C*>(o)->*set)(t);
    };
    return p;
}
// An event: a public std::function member.
template <class C, class F>
TPropInfo EventProp(const std::string& name, F C::*field) {
    TPropInfo p;
    p.name = name;
    p.kind = tkMethod;
    p.setMethod = [field](TObject* o, const std::any& fn) {
        const F* f = std::any_cast<F>(&fn);
        if (!f) throw EPropertyError("Invalid property value");
        static_cast<C*>(o)->*field = *f;
    };
    return p;
}
// A published handler method of a form class.
template <class C, class... Args>
TMethodInfo Method(const std::string& name, void (C::*m)(Args...)) {
    return TMethodInfo{name, [m](TObject* self) {
                           C* c = static_cast<C*>(self);
                           return std::any(std::function<void(Args...)>(
                               [c, m](Args... a) { (c->*m)(std::forward<Args>(a)...); }));
                       }};
}
template <class C>
std::function<TComponent*(TComponent*)> Creator() {
    return [](TComponent* owner) -> TComponent* { return new C(owner); };
}
