#include "Module1.h"

#include "Form1.h"

namespace Module1 {

void SetStartValues() {
    TikStyle = 0;
    HourTikColor = 0x999999;
    HourTikLight = 0xFFEEDD;
    HourTikDark = 0x554444;
    MinuteTikStyle = 0;
    MinuteTikColor = 0;
    MinuteTikLight = 0xCCCCCC;
    MinuteTikDark = 0x444444;
    HourHandColor = rt::rtcRgb(140, 32, 8);
    MinuteHandColor = rt::rtcRgb(180, 64, 20);
    SecondHandColor = rt::rtcRgb(200, 80, 32);
    ShowShadows = 1;
    ShadowColor = 0;
    BackgroundMode = 5;
    FaceBackColor = 0x9E958F;
}

void Main() {
    SetStartValues();
    Form1->Show();
    // Above every window that is not itself topmost, without moving,
    // sizing or activating it.
    rt::SetWindowPos(Form1->hWnd(), rt::HWND_TOPMOST, 0, 0, 0, 0,
                     rt::SWP_NOSIZE | rt::SWP_NOMOVE | rt::SWP_NOACTIVATE | rt::SWP_SHOWWINDOW);
}

// Kept as places where loading and unloading the clock can be hooked; the
// clock itself has nothing to do there.
void LoadHook(rt::Form&, std::string&, std::int16_t) {}
void UnloadHook(std::string&, std::int16_t) {}

}  // namespace Module1
