// The hidden menu form: the clock's pop-up menu, which sets its size or
// quits.
#pragma once

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

    void ClockLarge_Click();
    void ClockMedium_Click();
    void CLockQuit_Click();
    void ClockSmall_Click();

protected:
    void InitializeComponent() override;
};

inline rt::FormInstance<PrefsForm> prefs;
