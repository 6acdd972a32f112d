// The start-up module: Main and the style settings every drawing reads.
#pragma once

#include "forms.h"

#include <cstdint>
#include <string>

namespace Module1 {

// Style settings, in the order Main gives them their start values.
inline std::int16_t TikStyle;
inline rt::Colour HourTikColor;
inline rt::Colour HourTikLight;
inline rt::Colour HourTikDark;
inline std::int16_t MinuteTikStyle;
inline rt::Colour MinuteTikColor;
inline rt::Colour MinuteTikLight;
inline rt::Colour MinuteTikDark;
inline rt::Colour HourHandColor;
inline rt::Colour MinuteHandColor;
inline rt::Colour SecondHandColor;
inline std::int16_t ShowShadows;
inline rt::Colour ShadowColor;
inline std::int16_t BackgroundMode;
inline rt::Colour FaceBackColor;

void Main();
// Gives every style setting its start value (the first step of Main).
void SetStartValues();
void LoadHook(rt::Form& form, std::string& text, std::int16_t flag);
void UnloadHook(std::string& text, std::int16_t flag);

}  // namespace Module1
