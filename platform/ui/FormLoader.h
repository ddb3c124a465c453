// Builds components from form resources: creates them by class name, sets published properties by
// name, reads nested objects, string lists and collections through class hooks, binds events to the
// root's handler methods by name, resolves references once the whole form is read, then calls Loaded.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/FormResource.h"
#include "platform/ui/Component.h"

// Resources compiled into the executable, by resource name (case-insensitive, e.g. "TFRMMAIN").
void RegisterFormResource(const std::string& name, const std::string& text);
// The text of a registered resource; EFormResourceError when there is none.
const std::string& FindFormResource(const std::string& name);

// Reads `text` into root (the form): the resource's root object must be of root's class (or an
// ancestor's). Every error names the class, property or handler it could not find, and the line.
void ReadComponentResource(TComponent* root, const std::string& text);
// Reads the registered resource named after root's class.
void InitComponentFromResource(TComponent* root);

// A class's reader of a property name the tables do not hold: values streamed by hand (string lists,
// collections, binary data) and names of older resources. Looked up along the class chain before the
// property table; `name` may be dotted ("Items.Strings"). The reader may throw EFormResourceError.
using TPropertyReader = std::function<void(TObject* target, const TFormValue& value)>;
void RegisterPropertyReader(const TClassInfo& cls, const std::string& name, TPropertyReader reader);

// How a component nested in the resource under another is attached to it (menu items under a menu,
// pages under a page control); controls under windowed controls get their Parent without a hook.
using TChildAdopter = std::function<void(TComponent* parent, TComponent* child)>;
void RegisterChildAdopter(const TClassInfo& parentClass, TChildAdopter adopter);

// Integer constants that resources write by name (clBtnFace, crHourGlass, GB2312_CHARSET).
void RegisterIntegerIdent(const std::string& ident, int64_t value);
bool IdentToInt(const std::string& ident, int64_t& value);
