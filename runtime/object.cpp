#include "object.h"

namespace rt {

namespace {

RuntimeError noSuchMember(const std::string& member) {
    return RuntimeError(errNoSuchMember, "Object doesn't support this property or method", member);
}

}  // namespace

Variant Object::Get(const std::string& member) { throw noSuchMember(member); }
void Object::Let(const std::string& member, const Variant&) { throw noSuchMember(member); }
Variant Object::GetById(std::int32_t dispId) { throw noSuchMember("#" + std::to_string(dispId)); }
void Object::LetById(std::int32_t dispId, const Variant&) { throw noSuchMember("#" + std::to_string(dispId)); }
Variant Object::CallById(std::int32_t dispId) { throw noSuchMember("#" + std::to_string(dispId)); }

}  // namespace rt
