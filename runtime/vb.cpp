#include "vb.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace rt {

RuntimeError::RuntimeError(int number, const std::string& description, const std::string& source)
    : std::runtime_error(description), number_(number), source_(source) {}

namespace {

// std::nearbyint rounds in the current mode, which is to-nearest-even unless
// someone changed it; nothing in this program does.
template <typename Int>
Int roundToInt(double value, const char* what) {
    if (std::isnan(value)) throw RuntimeError(errOverflow, "Overflow", what);
    const double r = std::nearbyint(value);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        throw RuntimeError(errOverflow, "Overflow", what);
    return static_cast<Int>(r);
}

}  // namespace

std::int16_t CInt(double value) { return roundToInt<std::int16_t>(value, "CInt"); }
std::int32_t CLng(double value) { return roundToInt<std::int32_t>(value, "CLng"); }

Colour rtcRgb(int red, int green, int blue) {
    auto clamp = [](int c) { return c < 0 ? 0 : (c > 255 ? 255 : c); };
    return clamp(red) + 256 * clamp(green) + 65536 * clamp(blue);
}

Variant::Type Variant::type() const {
    switch (v_.index()) {
    case 1: return Type::Integer;
    case 2: return Type::Long;
    case 3: return Type::Single;
    case 4: return Type::Double;
    case 5: return Type::Boolean;
    case 6: return Type::String;
    case 7: return Type::LongRef;
    default: return Type::Empty;
    }
}

double Variant::toDouble() const {
    switch (v_.index()) {
    case 0: return 0.0;
    case 1: return std::get<1>(v_);
    case 2: return std::get<2>(v_);
    case 3: return std::get<3>(v_);
    case 4: return std::get<4>(v_);
    case 5: return std::get<5>(v_).value ? -1.0 : 0.0;
    case 6: {
        const std::string& s = std::get<6>(v_);
        char* end = nullptr;
        const double d = std::strtod(s.c_str(), &end);
        if (s.empty() || end == s.c_str() || *end != '\0')
            throw RuntimeError(errTypeMismatch, "Type mismatch", "Variant");
        return d;
    }
    case 7: return *std::get<7>(v_);
    }
    return 0.0;
}

std::string Variant::toString() const {
    char buf[64];
    switch (v_.index()) {
    case 0: return {};
    case 1: return std::to_string(std::get<1>(v_));
    case 2: return std::to_string(std::get<2>(v_));
    case 3: std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(std::get<3>(v_))); return buf;
    case 4: std::snprintf(buf, sizeof buf, "%.15g", std::get<4>(v_)); return buf;
    case 5: return std::get<5>(v_).value ? "True" : "False";
    case 6: return std::get<6>(v_);
    case 7: return std::to_string(*std::get<7>(v_));
    }
    return {};
}

namespace {

// Rank of a numeric variant type for promotion; Boolean and Empty act as Integer.
int rank(Variant::Type t) {
    switch (t) {
    case Variant::Type::Long:
    case Variant::Type::LongRef: return 1;
    case Variant::Type::Single: return 2;
    case Variant::Type::Double:
    case Variant::Type::String: return 3;
    default: return 0;
    }
}

// Every operation here is exact in double for operands of at most 32 bits or
// single precision, so rounding the double result to the result type gives
// the same value as doing the arithmetic in that type.
Variant ofRank(int r, double exact) {
    if (r == 0 && exact >= -32768.0 && exact <= 32767.0) return Variant(static_cast<std::int16_t>(exact));
    if (r <= 1 && exact >= -2147483648.0 && exact <= 2147483647.0) return Variant(static_cast<std::int32_t>(exact));
    if (r <= 2) return Variant(static_cast<float>(exact));
    return Variant(exact);
}

}  // namespace

Variant operator-(const Variant& a, const Variant& b) {
    return ofRank(std::max(rank(a.type()), rank(b.type())), a.toDouble() - b.toDouble());
}

Variant operator*(const Variant& a, const Variant& b) {
    return ofRank(std::max(rank(a.type()), rank(b.type())), a.toDouble() * b.toDouble());
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type() == Variant::Type::String && b.type() == Variant::Type::String) return a.toString() == b.toString();
    try {
        return a.toDouble() == b.toDouble();
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace rt
