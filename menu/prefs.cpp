#include "prefs.h"

#include "Form1.h"
#include "Module1.h"

using namespace Module1;

PrefsForm::PrefsForm()
    : rt::Form("prefs"), ClockMenu(*this, "ClockMenu", "Clock"), ClockSmall(ClockMenu, "ClockSmall", "Small"),
      ClockMedium(ClockMenu, "ClockMedium", "Medium"), ClockLarge(ClockMenu, "ClockLarge", "Large"),
      ClockBar(ClockMenu, "ClockBar", "-"), CLockQuit(ClockMenu, "CLockQuit", "Quit"),
      CommonDialog1(*this, "CommonDialog1") {}

void PrefsForm::InitializeComponent() {
    setDesignCaption("prefs");
    ClockSmall.Click = [this] { ClockSmall_Click(); };
    ClockMedium.Click = [this] { ClockMedium_Click(); };
    ClockLarge.Click = [this] { ClockLarge_Click(); };
    CLockQuit.Click = [this] { CLockQuit_Click(); };
}

// ---- Style settings ----
// Nothing in the clock calls these. Each stores one setting and redraws
// nothing: the face picks the value up at its next tick.

void PrefsForm::SetShowShadows() {
    if (ActiveControl().Get("Value") == rt::Variant(rt::Variant::Boolean{true}))
        ShowShadows = 1;
    else
        ShowShadows = 0;
}

// However the dialog was closed, the colour it holds now is applied: after
// a cancel that is the one chosen before.
void PrefsForm::PickColor(rt::Colour& setting) {
    CommonDialog1.CallById(rt::CommonDialog::ShowColor);
    ActiveControl().Let("BackColor", CommonDialog1.GetById(rt::CommonDialog::Color).toLong());
    setting = CommonDialog1.GetById(rt::CommonDialog::Color).toLong();
}

void PrefsForm::PickFaceBackColor() { PickColor(FaceBackColor); }
void PrefsForm::PickHourTikColor() { PickColor(HourTikColor); }
void PrefsForm::PickMinuteTikColor() { PickColor(MinuteTikColor); }
void PrefsForm::PickHourHandColor() { PickColor(HourHandColor); }
void PrefsForm::PickMinuteHandColor() { PickColor(MinuteHandColor); }
void PrefsForm::PickSecondHandColor() { PickColor(SecondHandColor); }
void PrefsForm::PickShadowColor() { PickColor(ShadowColor); }

void PrefsForm::SetTikStyle0() { TikStyle = 0; }
void PrefsForm::SetMinuteTikStyle2() { MinuteTikStyle = 2; }
void PrefsForm::SetMinuteTikStyle1() { MinuteTikStyle = 1; }
void PrefsForm::SetMinuteTikStyle0() { MinuteTikStyle = 0; }
void PrefsForm::SetBackgroundMode2() { BackgroundMode = 2; }
void PrefsForm::SetBackgroundMode1() { BackgroundMode = 1; }
void PrefsForm::SetBackgroundMode0() { BackgroundMode = 0; }
void PrefsForm::SetBackgroundMode6() { BackgroundMode = 6; }
void PrefsForm::SetTikStyle1() { TikStyle = 1; }
void PrefsForm::SetTikStyle2() { TikStyle = 2; }
void PrefsForm::SetTikStyle3() { TikStyle = 3; }
void PrefsForm::SetTikStyle4() { TikStyle = 4; }
void PrefsForm::SetTikStyle5() { TikStyle = 5; }
void PrefsForm::SetBackgroundMode5() { BackgroundMode = 5; }
void PrefsForm::SetBackgroundMode4() { BackgroundMode = 4; }
void PrefsForm::SetBackgroundMode3() { BackgroundMode = 3; }

// ---- The menu ----

// Each size sets the width and then the height; each change redraws the
// clock at once, so between the two it is briefly an ellipse.
void PrefsForm::ClockLarge_Click() {
    Form1->setWidth(5000);
    Form1->setHeight(5000);
}

void PrefsForm::ClockMedium_Click() {
    Form1->setWidth(3000);
    Form1->setHeight(3000);
}

void PrefsForm::CLockQuit_Click() {
    rt::Unload(Form1.get());
    rt::Unload(prefs.get());
}

void PrefsForm::ClockSmall_Click() {
    Form1->setWidth(2000);
    Form1->setHeight(2000);
}
