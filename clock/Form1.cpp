#include "Form1.h"

#include "Module1.h"
#include "prefs.h"
#include "sound.h"
#include "system.h"

#include <cmath>
#include <numbers>
#include <string>

using namespace Module1;
using rt::CInt;
using rt::CLng;
using rt::CSng;
using rt::Variant;

Form1Form::Form1Form()
    : rt::Form("Form1"), Picture8(*this, "Picture8"), Timer1(*this, "Timer1"), Picture2(*this, "Picture2"),
      Timer2(*this, "Timer2") {}

void Form1Form::InitializeComponent() {
    setDesignBorderless(true);
    setDesignCaption("");
    setDesignClientArea(1020, 825, 3000, 3000);
    setDesignBackColor(0x9E958F);
    setDesignShowInTaskbar(false);

    Picture8.setDesignPicture(rt::Picture::load(":/clock/artwork/face.bmp"));
    Picture8.setDesignAutoSize(true);
    Picture8.setDesignVisible(false);

    Timer1.setDesignInterval(100);
    Timer1.OnTimer = [this] { Timer1_Timer(); };

    Picture2.setDesignGeometry(0, 0, 1455, 1305);
    Picture2.setDesignToolTipText("I am a clock.");
    Picture2.MouseDown = [this](auto& b, auto& s, auto& x, auto& y) { Picture2_MouseDown(b, s, x, y); };
    Picture2.MouseMove = [this](auto& b, auto& s, auto& x, auto& y) { Picture2_MouseMove(b, s, x, y); };
    Picture2.MouseUp = [this](auto& b, auto& s, auto& x, auto& y) { Picture2_MouseUp(b, s, x, y); };

    Timer2.setDesignInterval(60000);
    Timer2.OnTimer = [this] { Timer2_Timer(); };

    for (int i = 0; i < 3; ++i)
        if (tikPictures_[i].isNull())
            tikPictures_[i] = rt::Picture::load(":/clock/artwork/mark" + std::to_string(i + 3) + ".png");
}

const rt::Picture& Form1Form::TikPicture(std::int16_t style) const { return tikPictures_[style - 3]; }

// ---- Start-up and shut-down ----

void Form1Form::Form_Load() {
    rt::rtcRandomize(rt::rtcGetTimer());
    std::string text = "Clock";
    LoadHook(*this, text, rt::True);
}

void Form1Form::DoClip() {
    const std::int32_t w = CLng(Form1->ScaleWidth());
    const std::int32_t h = CLng(Form1->ScaleHeight());
    const rt::HRGN region = rt::CreateEllipticRgn(0, 0, w, h);
    // The window owns the region from here on.
    rt::SetWindowRgn(Form1->hWnd(), region, rt::True);
}

void Form1Form::Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
    std::string text = "Clock";
    UnloadHook(text, rt::True);
    // Every form goes with the clock, this one included (its unload is
    // already under way, so that does nothing more).
    for (rt::Form* form : rt::Forms()) rt::Unload(*form);
}

// ---- Drawing ----

void Form1Form::DrawTiks() {
    Picture8.Cls();
    if (TikStyle <= 0) return;

    const float W = Picture8.ScaleWidth();
    const float H = Picture8.ScaleHeight();
    CenterX = CInt(W / 2);
    CenterY = CInt(H / 2);
    const float sx = W / 100;
    const float sy = H / 100;
    const float k = CSng(double(sx) * sy) / 2;

    const auto markPoint = [&](double a, double& x, double& y) {
        const double theta = a * (std::numbers::pi / 180);
        x = std::cos(theta) * 44 * sx + CenterX;
        y = std::sin(theta) * 44 * sy + CenterY;
    };
    double x, y;

    if (k > 0.8) {
        for (int i = 0; i <= 59; ++i) {
            markPoint(6.0 * i, x, y);
            switch (MinuteTikStyle) {
            case 1:
                Picture8.setDrawWidth(1);
                Picture8.PSet(CSng(x - 1), CSng(y - 1), MinuteTikLight);
                Picture8.PSet(CSng(x + 1), CSng(y + 1), MinuteTikDark);
                Picture8.PSet(CSng(x), CSng(y), MinuteTikColor);
                break;
            case 2:
                Picture8.setDrawWidth(1);
                Picture8.Circle(CSng(x), CSng(y), k / 5, 0);
                break;
            }
        }
    }

    for (int i = 1; i <= 12; ++i) {
        markPoint(30.0 * i, x, y);
        double w = k / 1.5;
        if (w < 1) w = 1;
        switch (TikStyle) {
        case 1:
            Picture8.setDrawWidth(CInt(w));
            Picture8.PSet(CSng(x - 1), CSng(y - 1), HourTikLight);
            Picture8.PSet(CSng(x + 1), CSng(y + 1), HourTikDark);
            Picture8.PSet(CSng(x), CSng(y), HourTikColor);
            break;
        case 2:
            Picture8.setDrawWidth(CInt(w));
            Picture8.Circle(CSng(x), CSng(y), CSng(w), HourTikColor);
            break;
        case 3:
        case 4:
        case 5:
            if (ScaleWidth() > 20 && ScaleHeight() > 20) {
                float s = 5 * k;
                const float largest = TikStyle == 5 ? 32.0f : 12.0f;
                if (s > largest) s = largest;
                Picture8.PaintPicture(TikPicture(TikStyle), CSng(x - s / 2.0), CSng(y - s / 2.0), s, s);
            }
            break;
        }
    }
}

void Form1Form::DrawArm(Variant& angle, Variant& size, Variant& thickness, Variant& color, Variant& offset) {
    angle = angle - Variant(std::int16_t(90));  // from now on 0 points to three o'clock
    CenterX = CInt(Picture8.ScaleWidth() / 2);
    CenterY = CInt(Picture8.ScaleHeight() / 2);
    const float sx = Picture8.ScaleWidth() / 100;
    const float sy = Picture8.ScaleHeight() / 100;

    const double radians = angle.toDouble() * (std::numbers::pi / 180);
    const double dx = (std::cos(radians) * size.toDouble()) * sx;
    const double dy = (std::sin(radians) * size.toDouble()) * sy;

    const float k = CSng(double(sx) * sy) / 2;
    offset = offset * Variant(k);

    double w = CSng(thickness.toDouble() * k);
    if (w < 1) w = 1;
    const double widest = thickness.toDouble() * 5;
    if (w > widest) w = widest;
    // A hand thinner than a fifth of a pixel still draws with a 1-pixel pen.
    Picture8.setDrawWidth(std::max<std::int16_t>(1, CInt(w)));

    const double off = offset.toDouble();
    Picture8.Line(CSng(CenterX + off), CSng(CenterY + off), CSng((CenterX + dx) + off), CSng((CenterY + dy) + off),
                  color.toLong());
}

void Form1Form::Timer1_Timer() {
    if (BackgroundMode == 0) LineBoxFilled(0, 0, ScaleWidth(), ScaleHeight(), FaceBackColor);

    // The face gets what the last tick composed; this tick composes the next.
    // Step 2: both device contexts asked for, neither answer used. Kept on
    // purpose: the tick keeps every one of its steps.
    Picture8.hDC();
    hDC();
    rt::SetStretchBltMode(hDC(), rt::HALFTONE);
    rt::StretchBlt(hDC(), 0, 0, CLng(ScaleWidth()), CLng(ScaleHeight()), Picture8.hDC(), 0, 0,
                   CLng(Picture8.ScaleWidth()), CLng(Picture8.ScaleHeight()), rt::SRCCOPY);

    DrawTiks();

    const float t = rt::rtcGetTimer();
    const float hours = CSng(double(t) / 60 / 60);
    const float minutes = CSng(double(t) / 60);
    const float seconds = t;

    Variant angle, size, thickness, color, offset;
    if (ShowShadows == 1) {
        angle = CSng(hours * 30.0f);
        size = std::int16_t(24);
        thickness = std::int16_t(2);
        color = &ShadowColor;
        offset = 0.5;
        DrawArm(angle, size, thickness, color, offset);
        angle = CSng(minutes * 6.0f);
        size = std::int16_t(32);
        offset = 0.6;
        DrawArm(angle, size, thickness, color, offset);
        angle = CSng(seconds * 6.0f);
        size = std::int16_t(36);
        thickness = std::int16_t(1);
        offset = 0.7;
        DrawArm(angle, size, thickness, color, offset);
    }
    angle = CSng(hours * 30.0f);
    size = std::int16_t(24);
    thickness = std::int16_t(2);
    color = &HourHandColor;
    offset = std::int16_t(0);
    DrawArm(angle, size, thickness, color, offset);
    angle = CSng(minutes * 6.0f);
    size = std::int16_t(32);
    color = &MinuteHandColor;
    DrawArm(angle, size, thickness, color, offset);
    angle = CSng(seconds * 6.0f);
    size = std::int16_t(36);
    thickness = std::int16_t(1);
    color = &SecondHandColor;
    DrawArm(angle, size, thickness, color, offset);

    // Step 9: the device contexts asked for again, unused, kept on purpose
    // like step 2; then the form's refresh.
    Picture2.hDC();
    hDC();
    Refresh();
    // Step 10: halftone mode again, though the copy below does not scale and
    // never uses it. Kept on purpose, like step 2.
    rt::SetStretchBltMode(hDC(), rt::HALFTONE);
    rt::BitBlt(Picture2.hDC(), 0, 0, CLng(ScaleWidth()), CLng(ScaleHeight()), hDC(), 0, 0, rt::SRCCOPY);
    Picture2.Refresh();
}

void Form1Form::Form_Resize() {
    DoClip();
    Cls();
    DrawTiks();
    Timer1_Timer();
    if (ScaleWidth() > 20.0f) {
        if (ScaleHeight() > 20.0f) {
            Picture2.setWidth(ScaleWidth());
            Picture2.setHeight(ScaleHeight());
        }
    }
}

void Form1Form::Form_Paint() { DrawTiks(); }

// ---- Dragging and the menu ----

void Form1Form::Picture2_MouseDown(std::int16_t& Button, std::int16_t&, float& X, float& Y) {
    if (Button > 0) {
        DragStartX = CLng(X);
        DragStartY = CLng(Y);
    }
}

void Form1Form::Picture2_MouseMove(std::int16_t& Button, std::int16_t&, float& X, float& Y) {
    if (!(Button > 0)) return;
    // The offset is in the face's pixels and is added to twips as it is.
    const float left = Form1->Left();
    Form1->setLeft(CSng((double(X) - DragStartX) + left));
    const float top = Form1->Top();
    Form1->setTop(CSng((double(Y) - DragStartY) + top));
}

void Form1Form::Picture2_MouseUp(std::int16_t& Button, std::int16_t&, float&, float&) {
    if (Button != rt::vbRightButton) return;
    PopupMenu(prefs->ClockMenu);
}

// ---- The chime ----

void Form1Form::Timer2_Timer() {
    const float r = rt::rtcRandomNext();
    const int n = int(std::floor(double(r) * 6));
    Variant name = std::string(SoundNames[n]);
    playsound(name);
    Picture2.setToolTipText("Boo!  The time is " + rt::rtcStrFromVar(rt::rtcGetTimeVar()));
}

void Form1Form::playsound(Variant& MySoundName) {
    // The one procedure that traps errors: a chime that cannot play is
    // silence, never the end of the clock.
    try {
        rt::sndPlaySoundA(rt::toAnsi(MySoundName.toString()), rt::SND_ASYNC | rt::SND_NODEFAULT);
    } catch (const rt::RuntimeError&) {
    } catch (const std::exception&) {}
}
