// The forms runtime's rules for unloading and for run-time errors, on a bare
// form so that nothing of the clock gets in the way.
#include "form_helpers.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

bool isInForms(rt::Form& form) {
    const auto forms = rt::Forms();
    return std::find(forms.begin(), forms.end(), &form) != forms.end();
}

// Form_QueryUnload walks Forms and unloads each form, the one already
// unloading included: that nested unload must neither raise the event again
// nor fail.
TEST(FormUnload, QueryUnloadRunsOnceAndANestedUnloadIsIgnored) {
    ProbeForm form;
    form.onQueryUnload = [&](std::int16_t&, std::int16_t) {
        rt::Unload(form);
        rt::Unload(form);
        EXPECT_TRUE(form.isLoaded()) << "unloaded before its own Form_QueryUnload returned";
    };
    rt::Unload(form);  // never loaded: no event, no load
    EXPECT_EQ(form.queryUnloads, 0);
    EXPECT_FALSE(form.isLoaded());

    form.Show();
    ASSERT_TRUE(isInForms(form));
    rt::Unload(form);
    EXPECT_EQ(form.queryUnloads, 1);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(isInForms(form));
    EXPECT_EQ(form.window(), nullptr);

    rt::Unload(form);  // already gone
    EXPECT_EQ(form.queryUnloads, 1);
}

// Closing the window is a request, decided by Form_QueryUnload; it does not
// get past it, and it does not leave a hidden form loaded behind it.
TEST(FormUnload, CloseRequestFromTheWindowGoesThroughQueryUnload) {
    ProbeForm form;
    form.onQueryUnload = [](std::int16_t& Cancel, std::int16_t) { Cancel = rt::True; };
    form.Show();
    form.window()->close();
    EXPECT_EQ(form.queryUnloads, 1);
    EXPECT_EQ(form.lastUnloadMode, rt::vbFormControlMenu);
    EXPECT_TRUE(form.isLoaded()) << "a refused close still unloaded the form";
    EXPECT_TRUE(form.isVisible());

    form.onQueryUnload = nullptr;
    form.window()->close();
    EXPECT_EQ(form.queryUnloads, 2);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(isInForms(form));
}

struct Escaped {
    int number;
    std::string source;
    std::string procedure;
};

class RunTimeErrors : public testing::Test {
protected:
    void SetUp() override {
        rt::setFatalErrorHandler([this](const rt::RuntimeError& e, const char* procedure) {
            escaped.push_back({e.number(), e.source(), procedure});
        });
    }
    std::vector<Escaped> escaped;
};

// Whatever way an event reaches the system (a window closing, a timer, the
// mouse), an error escaping its procedure is handed to the fatal-error rule
// with the procedure named, not swallowed by the event loop.
TEST_F(RunTimeErrors, AnErrorEscapingAnEventReachesTheHandlerWithItsProcedure) {
    ProbeForm form("Probe", 5);
    form.onQueryUnload = [](std::int16_t&, std::int16_t) {
        throw rt::RuntimeError(rt::errOverflow, "Overflow", "CLng");
    };
    form.Tick.OnTimer = [] { throw rt::RuntimeError(rt::errInvalidCall, "Invalid procedure call", "Circle"); };
    form.Face.MouseDown = [](std::int16_t&, std::int16_t&, float&, float&) { throw std::out_of_range("vector"); };
    form.Show();

    ASSERT_TRUE(runEventsUntil([&] { return !escaped.empty(); }, 2000)) << "the timer's error never surfaced";
    form.Tick.OnTimer = nullptr;
    EXPECT_EQ(escaped[0].procedure, "Tick_Timer");
    EXPECT_EQ(escaped[0].number, rt::errInvalidCall);
    EXPECT_EQ(escaped[0].source, "Circle");

    escaped.clear();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(105, 55), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(form.Face.widget(), &press);
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(escaped[0].procedure, "Face_MouseDown");

    escaped.clear();
    form.window()->close();
    ASSERT_EQ(escaped.size(), 1u);
    EXPECT_EQ(escaped[0].procedure, "Form_QueryUnload");
    EXPECT_EQ(escaped[0].number, rt::errOverflow);
    EXPECT_EQ(escaped[0].source, "CLng");
}

// With the runtime's own rule in place the program ends: one line on
// standard error, after the program's prefix, naming the error, the
// operation and the procedure, and a non-zero status.
TEST(RunTimeErrorsDeathTest, EndTheProgramWithOneLineNamingTheOperation) {
    EXPECT_EXIT(
        {
            rt::setMessagePrefix("probe:");
            rt::raiseEvent("Timer1_Timer", [] { throw rt::RuntimeError(rt::errOverflow, "Overflow", "CLng"); });
        },
        testing::ExitedWithCode(1), "^probe: [^\n]*Overflow[^\n]*CLng[^\n]*Timer1_Timer[^\n]*\n$");
}

}  // namespace
