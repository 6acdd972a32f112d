#include "prefs.h"

#include "Form1.h"

PrefsForm::PrefsForm()
    : rt::Form("prefs"),
      ClockMenu(*this, "ClockMenu", "Clock"),
      ClockSmall(ClockMenu, "ClockSmall", "Small"),
      ClockMedium(ClockMenu, "ClockMedium", "Medium"),
      ClockLarge(ClockMenu, "ClockLarge", "Large"),
      ClockBar(ClockMenu, "ClockBar", "-"),
      CLockQuit(ClockMenu, "CLockQuit", "Quit") {}

void PrefsForm::InitializeComponent() {
    setDesignCaption("prefs");
    ClockSmall.Click = [this] { ClockSmall_Click(); };
    ClockMedium.Click = [this] { ClockMedium_Click(); };
    ClockLarge.Click = [this] { ClockLarge_Click(); };
    CLockQuit.Click = [this] { CLockQuit_Click(); };
}

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
