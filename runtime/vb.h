// Value rules of the forms runtime: run-time errors, integer conversions that
// round halves to even, colours, and the Variant that procedures pass by
// reference.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

namespace rt {

// A run-time error. Outside the one procedure that traps errors it ends the
// program with its message (see forms.h, raiseEvent).
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, const std::string& description, const std::string& source);
    int number() const { return number_; }
    const std::string& source() const { return source_; }

private:
    int number_;
    std::string source_;
};

enum ErrorNumber : int {
    errInvalidCall = 5,
    errOverflow = 6,
    errTypeMismatch = 13,
    errInvalidProperty = 380,
    errNoSuchMember = 438,
};

// Nearest integer, halves to even; raises Overflow outside the target range.
std::int16_t CInt(double value);
std::int32_t CLng(double value);
// Single precision, rounded to nearest (what a Single variable stores).
inline float CSng(double value) { return static_cast<float>(value); }

using Colour = std::int32_t;  // 0x00BBGGRR
Colour rtcRgb(int red, int green, int blue);

// True is all bits set.
constexpr std::int16_t True = -1;
constexpr std::int16_t False = 0;

// A variant value: empty, a 16- or 32-bit integer, single, double, Boolean,
// text, or a reference to a 32-bit integer held elsewhere (a setting passed
// by reference: reading it reads the setting).
class Variant {
public:
    struct Boolean {
        bool value;
    };
    Variant() = default;
    Variant(std::int16_t v) : v_(v) {}
    Variant(std::int32_t v) : v_(v) {}
    Variant(float v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(Boolean v) : v_(v) {}
    Variant(std::string v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(std::string(v)) {}
    Variant(std::int32_t* ref) : v_(ref) {}

    enum class Type { Empty, Integer, Long, Single, Double, Boolean, String, LongRef };
    Type type() const;

    double toDouble() const;
    float toSingle() const { return CSng(toDouble()); }
    std::int16_t toInteger() const { return CInt(toDouble()); }
    std::int32_t toLong() const { return CLng(toDouble()); }
    std::string toString() const;

    // Arithmetic with the runtime's promotion: the result takes the wider of
    // the two numeric types (Integer < Long < Single < Double); an integer
    // result that does not fit moves up to the next type.
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    // The runtime's comparison of variants: numbers compare by value, with
    // a Boolean counting as 0 or -1.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    std::variant<std::monostate, std::int16_t, std::int32_t, float, double, Boolean, std::string, std::int32_t*> v_;
};

}  // namespace rt
