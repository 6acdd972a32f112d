// The clock on a screen whose pixels Qt scales (run under QT_SCALE_FACTOR
// 0.5, 1.5 and 2): the window, its region, the face and the mouse are in
// the screen's own pixels, not Qt's logical ones. How they reach the screen
// is proven end to end (screen_scale.sh).
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "form_helpers.h"
#include "window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

#include <utility>

namespace {

struct Screen {
    qreal ratio;
    int medium, small, large;  // 3000, 2000 and 5000 twips in the screen's pixels
    QPoint logicalAt;          // where Qt is asked to put the window
    QPointF press;             // X and Y of a press 11 x 21 logical pixels into the face
};

// Small and Large at ratio 2 (266.7 and 666.7 pixels) cannot be shown at an
// odd width, and take the nearest even one. At 1.5 the top, 82.5 pixels,
// lands on 83.
constexpr Screen kScreens[] = {
    {2, 400, 266, 666, {68, 55}, {22, 42}},
    {1.5, 300, 200, 500, {68, 55}, {16.5, 31}},
    {0.5, 100, 67, 167, {68, 56}, {5.5, 10.5}},
};

const Screen* thisScreen() {
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    for (const Screen& s : kScreens)
        if (s.ratio == ratio) return &s;
    return nullptr;
}

// Sizes in twips are inches of the screen: the client area, its region and
// the face are as many of the screen's pixels as the twips make there.
TEST(ScaledScreen, TwipsBecomeTheScreensPixels) {
    const Screen* screen = thisScreen();
    ASSERT_NE(screen, nullptr) << "run under QT_SCALE_FACTOR 0.5, 1.5 or 2";
    FakeClock clock;
    Module1::Main();
    QWidget* window = Form1->window();
    EXPECT_EQ(window->pos(), screen->logicalAt);

    for (auto [twips, pixels] :
         {std::pair{3000.0f, screen->medium}, {2000.0f, screen->small}, {5000.0f, screen->large}}) {
        SCOPED_TRACE(twips);
        Form1->setWidth(twips);
        Form1->setHeight(twips);
        EXPECT_EQ(Form1->ScaleWidth(), float(pixels));
        EXPECT_EQ(Form1->ScaleHeight(), float(pixels));
        EXPECT_EQ(qRound(window->width() * screen->ratio), pixels) << "the window is not that wide on the screen";
        EXPECT_EQ(Form1->Picture2.ScaleWidth(), float(pixels));
        expectInscribedEllipse(rt::windowRegion(window), pixels, pixels);
    }
}

// The face's X and Y are the screen's pixels from its corner, whatever the
// logical position Qt reports.
TEST(ScaledScreen, TheMouseIsInTheScreensPixels) {
    const Screen* screen = thisScreen();
    ASSERT_NE(screen, nullptr) << "run under QT_SCALE_FACTOR 0.5, 1.5 or 2";
    FakeClock clock;
    Module1::Main();
    QWidget* window = Form1->window();

    float X = -1, Y = -1;
    Form1->Picture2.MouseDown = [&](std::int16_t&, std::int16_t&, float& x, float& y) { X = x, Y = y; };
    const QPointF into(11, 21);
    QMouseEvent press(QEvent::MouseButtonPress, into, QPointF(window->pos()) + into, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(Form1->Picture2.widget(), &press);
    EXPECT_EQ(X, float(screen->press.x()));
    EXPECT_EQ(Y, float(screen->press.y()));
}

}  // namespace
