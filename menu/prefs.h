// The hidden menu form: the clock's pop-up menu, which sets its size or
// quits, and the operations that change the clock's style settings.
#pragma once

#include "commondialog.h"
#include "forms.h"

class PrefsForm : public rt::Form {
public:
    PrefsForm();

    rt::Menu ClockMenu;
    rt::Menu ClockSmall;
    rt::Menu ClockMedium;
    rt::Menu ClockLarge;
    rt::Menu ClockBar;
    rt::Menu CLockQuit;
    rt::CommonDialog CommonDialog1;

    void SetShowShadows();
    void PickFaceBackColor();
    void PickHourTikColor();
    void PickMinuteTikColor();
    void PickHourHandColor();
    void PickMinuteHandColor();
    void PickSecondHandColor();
    void PickShadowColor();
    void SetTikStyle0();
    void SetMinuteTikStyle2();
    void SetMinuteTikStyle1();
    void SetMinuteTikStyle0();
    void SetBackgroundMode2();
    void SetBackgroundMode1();
    void SetBackgroundMode0();
    void SetBackgroundMode6();
    void SetTikStyle1();
    void SetTikStyle2();
    void SetTikStyle3();
    void SetTikStyle4();
    void SetTikStyle5();
    void SetBackgroundMode5();
    void SetBackgroundMode4();
    void SetBackgroundMode3();
    void ClockLarge_Click();
    void ClockMedium_Click();
    void CLockQuit_Click();
    void ClockSmall_Click();

protected:
    void InitializeComponent() override;

private:
    void PickColor(rt::Colour& setting);
};

inline rt::FormInstance<PrefsForm> prefs;
