// A control reached late, as an object: its members are looked up when they
// are used, by name or by dispatch number.
#pragma once

#include "vb.h"

#include <cstdint>
#include <string>

namespace rt {

// A member the object does not have raises "Object doesn't support this
// property or method".
class Object {
public:
    virtual ~Object() = default;
    virtual Variant Get(const std::string& member);
    virtual void Let(const std::string& member, const Variant& value);
    virtual Variant GetById(std::int32_t dispId);
    virtual void LetById(std::int32_t dispId, const Variant& value);
    virtual Variant CallById(std::int32_t dispId);
};

// What a form's ActiveControl gives when no control has the focus: the menu
// form has none that can take it, and its style operations must still run.
// Every property reads as Empty and every write is ignored.
class NoControl : public Object {
public:
    Variant Get(const std::string&) override { return {}; }
    void Let(const std::string&, const Variant&) override {}
};

}  // namespace rt
