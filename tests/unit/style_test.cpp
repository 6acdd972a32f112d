// The menu form's style operations: each stores one setting of Module1, the
// colour ones through the colour dialog, and the face shows the change from
// its next tick.
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "prefs.h"
#include "surface.h"

#include <QApplication>
#include <QColorDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <map>
#include <numbers>

using rt::Variant;

namespace {

// A control with the focus, as the operations reach it: by name.
class FakeControl : public rt::Object {
public:
    explicit FakeControl(Variant initial = {}) : value(std::move(initial)) {}
    Variant Get(const std::string& member) override { return member == "Value" ? value : Object::Get(member); }
    void Let(const std::string& member, const Variant& v) override {
        if (member != "BackColor") return Object::Let(member, v);
        backColor = v;
        ++backColorWrites;
    }
    Variant value;
    Variant backColor;
    int backColorWrites = 0;
};

// Answers colour dialogs as a user would, in the order they open: picks a
// colour and presses OK, or cancels. A dialog it has no answer for is
// cancelled and counted, so a test cannot hang on it.
class DialogUser {
public:
    DialogUser() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    void choose(QColor c) { answers_.push_back(c); }
    void cancel() { answers_.push_back(QColor()); }
    int opened = 0;
    int unexpected = 0;
    QColor initial;  // what the last dialog showed when it opened

private:
    void poll() {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        ++opened;
        initial = dialog->currentColor();
        if (answers_.empty()) {
            ++unexpected;
            dialog->reject();
            return;
        }
        const QColor answer = answers_.front();
        answers_.pop_front();
        if (!answer.isValid()) return dialog->reject();
        dialog->setCurrentColor(answer);
        dialog->accept();
    }
    QTimer timer_;
    std::deque<QColor> answers_;
};

std::map<std::string, std::int32_t> settings() {
    using namespace Module1;
    return {{"TikStyle", TikStyle},
            {"HourTikColor", HourTikColor},
            {"HourTikLight", HourTikLight},
            {"HourTikDark", HourTikDark},
            {"MinuteTikStyle", MinuteTikStyle},
            {"MinuteTikColor", MinuteTikColor},
            {"MinuteTikLight", MinuteTikLight},
            {"MinuteTikDark", MinuteTikDark},
            {"HourHandColor", HourHandColor},
            {"MinuteHandColor", MinuteHandColor},
            {"SecondHandColor", SecondHandColor},
            {"ShowShadows", ShowShadows},
            {"ShadowColor", ShadowColor},
            {"BackgroundMode", BackgroundMode},
            {"FaceBackColor", FaceBackColor}};
}

// Values no operation stores, so that every write shows.
void setSentinels() {
    using namespace Module1;
    TikStyle = MinuteTikStyle = ShowShadows = BackgroundMode = 99;
    rt::Colour c = 0x010101;
    for (rt::Colour* colour :
         {&HourTikColor, &HourTikLight, &HourTikDark, &MinuteTikColor, &MinuteTikLight, &MinuteTikDark, &HourHandColor,
          &MinuteHandColor, &SecondHandColor, &ShadowColor, &FaceBackColor})
        *colour = c++;
}

class StyleOperations : public testing::Test {
protected:
    void SetUp() override { setSentinels(); }
    void TearDown() override { Module1::SetStartValues(); }
};

struct Operation {
    const char* name;
    void (PrefsForm::*run)();
    const char* setting;
    std::int32_t value;
};

const QColor chosen(12, 34, 56);
constexpr std::int32_t chosenValue = 0x38220C;

const Operation operations[] = {
    {"SetShowShadows", &PrefsForm::SetShowShadows, "ShowShadows", 1},
    {"PickFaceBackColor", &PrefsForm::PickFaceBackColor, "FaceBackColor", chosenValue},
    {"PickHourTikColor", &PrefsForm::PickHourTikColor, "HourTikColor", chosenValue},
    {"PickMinuteTikColor", &PrefsForm::PickMinuteTikColor, "MinuteTikColor", chosenValue},
    {"PickHourHandColor", &PrefsForm::PickHourHandColor, "HourHandColor", chosenValue},
    {"PickMinuteHandColor", &PrefsForm::PickMinuteHandColor, "MinuteHandColor", chosenValue},
    {"PickSecondHandColor", &PrefsForm::PickSecondHandColor, "SecondHandColor", chosenValue},
    {"PickShadowColor", &PrefsForm::PickShadowColor, "ShadowColor", chosenValue},
    {"SetTikStyle0", &PrefsForm::SetTikStyle0, "TikStyle", 0},
    {"SetMinuteTikStyle2", &PrefsForm::SetMinuteTikStyle2, "MinuteTikStyle", 2},
    {"SetMinuteTikStyle1", &PrefsForm::SetMinuteTikStyle1, "MinuteTikStyle", 1},
    {"SetMinuteTikStyle0", &PrefsForm::SetMinuteTikStyle0, "MinuteTikStyle", 0},
    {"SetBackgroundMode2", &PrefsForm::SetBackgroundMode2, "BackgroundMode", 2},
    {"SetBackgroundMode1", &PrefsForm::SetBackgroundMode1, "BackgroundMode", 1},
    {"SetBackgroundMode0", &PrefsForm::SetBackgroundMode0, "BackgroundMode", 0},
    {"SetBackgroundMode6", &PrefsForm::SetBackgroundMode6, "BackgroundMode", 6},
    {"SetTikStyle1", &PrefsForm::SetTikStyle1, "TikStyle", 1},
    {"SetTikStyle2", &PrefsForm::SetTikStyle2, "TikStyle", 2},
    {"SetTikStyle3", &PrefsForm::SetTikStyle3, "TikStyle", 3},
    {"SetTikStyle4", &PrefsForm::SetTikStyle4, "TikStyle", 4},
    {"SetTikStyle5", &PrefsForm::SetTikStyle5, "TikStyle", 5},
    {"SetBackgroundMode5", &PrefsForm::SetBackgroundMode5, "BackgroundMode", 5},
    {"SetBackgroundMode4", &PrefsForm::SetBackgroundMode4, "BackgroundMode", 4},
    {"SetBackgroundMode3", &PrefsForm::SetBackgroundMode3, "BackgroundMode", 3},
};

}  // namespace

TEST_F(StyleOperations, EachWritesItsOwnSettingAndNoOther) {
    FakeControl control(Variant(Variant::Boolean{true}));
    prefs->setActiveControl(&control);
    DialogUser user;
    for (const Operation& op : operations) {
        SCOPED_TRACE(op.name);
        setSentinels();
        auto expected = settings();
        expected.at(op.setting) = op.value;
        const int dialogs = user.opened;
        const bool picksColour = op.value == chosenValue;
        if (picksColour) user.choose(chosen);

        (prefs.get().*op.run)();
        EXPECT_EQ(settings(), expected);
        EXPECT_EQ(user.opened - dialogs, picksColour ? 1 : 0);

        if (!picksColour && op.run != &PrefsForm::SetShowShadows) {
            (prefs.get().*op.run)();
            EXPECT_EQ(settings(), expected) << "run twice";
        }
    }
    EXPECT_EQ(user.unexpected, 0);
    EXPECT_EQ(control.backColorWrites, 7);
}

// True is -1: the number 1 is not True, and neither is an empty Value.
TEST_F(StyleOperations, ShadowsAreOnOnlyForAValueThatEqualsTrue) {
    const std::pair<Variant, std::int16_t> cases[] = {
        {Variant(Variant::Boolean{true}), 1},
        {Variant(std::int16_t(-1)), 1},
        {Variant(std::int32_t(-1)), 1},
        {Variant(-1.0), 1},
        {Variant(std::int16_t(1)), 0},
        {Variant(std::int16_t(0)), 0},
        {Variant(Variant::Boolean{false}), 0},
        {Variant(), 0},
        {Variant(-0.5), 0},
    };
    for (const auto& [value, stored] : cases) {
        SCOPED_TRACE(value.toString());
        FakeControl control(value);
        prefs->setActiveControl(&control);
        Module1::ShowShadows = 99;
        prefs->SetShowShadows();
        EXPECT_EQ(Module1::ShowShadows, stored);
    }
}

TEST_F(StyleOperations, WithNoControlFocusedShadowsGoOffAndColoursAreStillStored) {
    DialogUser user;
    user.choose(chosen);
    prefs->SetShowShadows();
    EXPECT_EQ(Module1::ShowShadows, 0);
    prefs->PickShadowColor();
    EXPECT_EQ(Module1::ShadowColor, chosenValue);
}

TEST_F(StyleOperations, ColourGoesToTheControlAndTheSettingAlikeAndACancelKeepsTheLastOne) {
    FakeControl control;
    prefs->setActiveControl(&control);
    DialogUser user;
    user.choose(chosen);
    user.cancel();

    prefs->PickHourHandColor();
    EXPECT_EQ(control.backColor.type(), Variant::Type::Long);
    EXPECT_EQ(control.backColor.toLong(), chosenValue);
    EXPECT_EQ(Module1::HourHandColor, chosenValue);

    control.backColor = Variant();
    prefs->PickMinuteHandColor();
    EXPECT_EQ(user.initial, chosen) << "the dialog opens at the colour chosen last";
    EXPECT_EQ(control.backColor.toLong(), chosenValue);
    EXPECT_EQ(Module1::MinuteHandColor, chosenValue);
    EXPECT_EQ(user.opened, 2);
}

TEST_F(StyleOperations, FractionalDialogColourRoundsHalvesToEven) {
    FakeControl control;
    prefs->setActiveControl(&control);
    DialogUser user;
    const std::pair<double, std::int32_t> cases[] = {{2.5, 2}, {3.5, 4}, {0x123456 + 0.5, 0x123456}, {7.4, 7}};
    for (const auto& [held, stored] : cases) {
        SCOPED_TRACE(held);
        prefs->CommonDialog1.LetById(rt::CommonDialog::Color, Variant(held));
        user.cancel();
        prefs->PickFaceBackColor();
        EXPECT_EQ(control.backColor.toLong(), stored);
        EXPECT_EQ(Module1::FaceBackColor, stored);
    }
    EXPECT_EQ(user.opened, 4);
}

TEST(CommonDialog, ColourStartsBlackWithEveryLoadOfItsForm) {
    EXPECT_FALSE(prefs->isLoaded());
    EXPECT_EQ(prefs->CommonDialog1.GetById(rt::CommonDialog::Color).toLong(), 0);
    EXPECT_TRUE(prefs->isLoaded()) << "reaching the control loads its form";
    prefs->CommonDialog1.LetById(rt::CommonDialog::Color, Variant(std::int32_t(0xABCDEF)));
    rt::Unload(prefs.get());
    EXPECT_EQ(prefs->CommonDialog1.GetById(rt::CommonDialog::Color).toLong(), 0);
}

TEST(CommonDialog, UnknownMembersRaiseARunTimeError) {
    EXPECT_THROW(prefs->CommonDialog1.CallById(7), rt::RuntimeError);
    EXPECT_THROW(prefs->CommonDialog1.GetById(32), rt::RuntimeError);
}

// Picture8 is where each tick composes the face; it shows a setting changed
// by an operation from the next tick on, and not before.
TEST_F(StyleOperations, FaceShowsAChangedSettingFromTheNextTick) {
    Module1::SetStartValues();
    FakeClock clock;
    clock.set(3, 0, 0);  // hour hand to the right, the others straight up
    Form1->Show();
    const QImage& face = Form1->Picture8.surface()->pixels();
    const auto at = [&](double x, double y) { return QColor(face.pixel(int(std::lround(x)), int(std::lround(y)))); };
    const QColor tikColour(153, 153, 153);
    const auto hourDotsShown = [&] {
        int shown = 0;
        for (int i = 1; i <= 12; ++i) {
            const double a = 30.0 * i * std::numbers::pi / 180;
            shown += at(350 + 308 * std::cos(a), 350 + 308 * std::sin(a)) == tikColour;
        }
        return shown;
    };
    // Below the middle of the hour hand, by the shadow's 12.25-pixel offset.
    const QPoint shadow(350 + 84 + 12, 350 + 12);
    const QColor black(0, 0, 0);

    EXPECT_EQ(hourDotsShown(), 0);
    prefs->SetTikStyle1();
    EXPECT_EQ(hourDotsShown(), 0) << "the operation itself redraws nothing";
    Form1->Timer1_Timer();
    EXPECT_EQ(hourDotsShown(), 12);

    EXPECT_EQ(at(shadow.x(), shadow.y()), black);
    FakeControl off(Variant(std::int16_t(0)));
    prefs->setActiveControl(&off);
    prefs->SetShowShadows();
    EXPECT_EQ(at(shadow.x(), shadow.y()), black);
    Form1->Timer1_Timer();
    EXPECT_NE(at(shadow.x(), shadow.y()), black);
    EXPECT_EQ(at(350 + 84, 350), QColor(140, 32, 8)) << "the hour hand itself is still drawn";
}
