// Dragging the clock by its face, and the clock menu that a right-button
// release opens: the handlers, the sizes, "Quit", and the runtime's part
// (pointer positions during a drag, the mouse-move it posts after a move, the
// pop-up itself).
#include "Form1.h"
#include "Module1.h"
#include "fakes.h"
#include "form_helpers.h"
#include "prefs.h"
#include "window.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr float designLeft = 1020, designTop = 825;  // twips: (68, 55) pixels

// The redraw inside Form_Resize reads the time of day right after DoClip has
// clipped the window, so the region in force at each read is the one that
// resize set: one entry per Form_Resize.
class RegionProbe : public FakeClock {
public:
    std::int32_t msecsSinceMidnight() const override {
        if (Form1.exists() && Form1->window()) regions.push_back(rt::windowRegion(Form1->window()));
        return FakeClock::msecsSinceMidnight();
    }
    mutable std::vector<QRegion> regions;
};

class MenuDrag : public testing::Test {
protected:
    void SetUp() override {
        Module1::SetStartValues();
        Form1->Show();
        probe.regions.clear();
    }

    // What Picture2_MouseUp would have popped up, answered without a user.
    void answerMenuWith(rt::Menu* item) {
        rt::setPopupChooser([this, item](rt::Menu& menu) {
            popups.push_back(&menu);
            return item;
        });
    }

    void mouseDown(std::int16_t Button, float X, float Y) {
        std::int16_t Shift = 0;
        Form1->Picture2_MouseDown(Button, Shift, X, Y);
    }
    void mouseMove(std::int16_t Button, float X, float Y) {
        std::int16_t Shift = 0;
        Form1->Picture2_MouseMove(Button, Shift, X, Y);
    }
    void mouseUp(std::int16_t Button, float X = 50, float Y = 50) {
        std::int16_t Shift = 0;
        Form1->Picture2_MouseUp(Button, Shift, X, Y);
    }

    RegionProbe probe;
    FakeSound sound;
    std::vector<rt::Menu*> popups;
};

// ---- Grab point and moves ----

TEST_F(MenuDrag, GrabPointRoundsHalvesToEvenAndAnyButtonRecordsIt) {
    mouseDown(rt::vbLeftButton, 10.5f, 11.5f);
    EXPECT_EQ(Form1->DragStartX, 10);
    EXPECT_EQ(Form1->DragStartY, 12);

    mouseDown(rt::vbRightButton, 20.4f, 20.6f);
    EXPECT_EQ(Form1->DragStartX, 20);
    EXPECT_EQ(Form1->DragStartY, 21);

    mouseDown(rt::vbMiddleButton, 7, 8);
    EXPECT_EQ(Form1->DragStartX, 7);
    EXPECT_EQ(Form1->DragStartY, 8);

    // No button: the grab point stays; a release does not clear it either.
    mouseDown(0, 90, 90);
    mouseUp(rt::vbLeftButton, 90, 90);
    EXPECT_EQ(Form1->DragStartX, 7);
    EXPECT_EQ(Form1->DragStartY, 8);
    // A click without a move in between moves nothing.
    EXPECT_EQ(Form1->Left(), designLeft);
    EXPECT_EQ(Form1->Top(), designTop);
}

TEST_F(MenuDrag, MoveAddsThePixelOffsetToLeftThenTopCountedAsTwips) {
    // Before any press the grab point is the origin.
    mouseMove(rt::vbLeftButton, 12, 9);
    EXPECT_EQ(Form1->Left(), designLeft + 12);
    EXPECT_EQ(Form1->Top(), designTop + 9);
    mouseMove(rt::vbLeftButton, -12, -9);  // and back

    mouseDown(rt::vbLeftButton, 40, 40);
    mouseMove(rt::vbLeftButton, 70, 55);
    EXPECT_EQ(Form1->Left(), designLeft + 30);
    EXPECT_EQ(Form1->Top(), designTop + 15);
    EXPECT_EQ(Form1->pixelLeft(), 70);  // 1050 twips
    EXPECT_EQ(Form1->pixelTop(), 56);   // 840 twips

    // No button held: nothing moves, however far the pointer is.
    mouseMove(0, 140, 150);
    EXPECT_EQ(Form1->Left(), designLeft + 30);

    // Offsets are signed, and a move never changes the grab point.
    mouseMove(rt::vbRightButton, 30, 20);
    EXPECT_EQ(Form1->Left(), designLeft + 30 - 10);
    EXPECT_EQ(Form1->Top(), designTop + 15 - 20);
    EXPECT_EQ(Form1->DragStartX, 40);

    // Pointer on the grab point: the same place is written back.
    mouseMove(rt::vbLeftButton | rt::vbMiddleButton, 40, 40);
    EXPECT_EQ(Form1->Left(), designLeft + 20);
    EXPECT_EQ(Form1->Top(), designTop - 5);
}

TEST_F(MenuDrag, TheWindowMovesAcrossBeforeItMovesDown) {
    QWidget* window = Form1->window();
    std::vector<QPoint> places;
    struct MoveSpy : QObject {
        std::vector<QPoint>* places;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Move) places->push_back(static_cast<QWidget*>(o)->pos());
            return false;
        }
    } spy;
    spy.places = &places;
    QCoreApplication::processEvents();
    window->installEventFilter(&spy);

    // 30 and 15 pixels counted as twips: 2 pixels across, then 1 down.
    mouseDown(rt::vbLeftButton, 40, 40);
    mouseMove(rt::vbLeftButton, 70, 55);
    QCoreApplication::processEvents();
    window->removeEventFilter(&spy);
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0], QPoint(70, 55));
    EXPECT_EQ(places[1], QPoint(70, 56));
}

// ---- The runtime during a drag ----

class Drag : public MenuDrag {
protected:
    QWidget* face() { return Form1->Picture2.widget(); }
    // The position within the face is given as the toolkit gives it during a
    // drag: measured against where the window was when the button went down.
    void send(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
        if (type == QEvent::MouseButtonPress) pressedAt = face()->mapToGlobal(QPoint(0, 0));
        QMouseEvent e(type, global - pressedAt, global, button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(face(), &e);
    }
    QPoint pressedAt;
    // Runs events until the window has stood still for a while; returns how
    // long that took, in rounds of event processing.
    int settle(int limit = 2000) {
        int still = 0, rounds = 0;
        QPoint last(Form1->pixelLeft(), Form1->pixelTop());
        while (rounds < limit && still < 20) {
            QCoreApplication::processEvents();
            ++rounds;
            const QPoint now(Form1->pixelLeft(), Form1->pixelTop());
            still = now == last ? still + 1 : 0;
            last = now;
        }
        return rounds;
    }
};

// The pointer jumps 90 right and 60 down and stays: each move creeps by the
// offset counted as twips, and the moves the runtime posts carry the window
// on until the grab point is under the pointer again, then stop.
TEST_F(Drag, WindowFollowsAPointerThatHasStoppedAndThenStops) {
    const QPoint grab(68 + 40, 55 + 40);
    QCursor::setPos(grab);
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Form1->DragStartX, 40);
    EXPECT_EQ(Form1->DragStartY, 40);

    const QPoint target = grab + QPoint(90, 60);
    QCursor::setPos(target);
    send(QEvent::MouseMove, target, Qt::NoButton, Qt::LeftButton);
    EXPECT_LT(settle(), 2000) << "the window never came to rest";
    EXPECT_EQ(Form1->pixelLeft(), 68 + 90);
    EXPECT_EQ(Form1->pixelTop(), 55 + 60);

    // Once there, nothing more is posted: Left stays exactly as it is.
    const float left = Form1->Left(), top = Form1->Top();
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(Form1->Left(), left);
    EXPECT_EQ(Form1->Top(), top);

    send(QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Form1->pixelLeft(), 68 + 90);
}

TEST_F(Drag, ReleasingTheButtonStopsTheFollowing) {
    const QPoint grab(68 + 40, 55 + 40);
    QCursor::setPos(grab);
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    const QPoint target = grab + QPoint(150, 0);
    QCursor::setPos(target);
    send(QEvent::MouseMove, target, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, target, Qt::LeftButton, Qt::NoButton);
    const float left = Form1->Left();
    EXPECT_EQ(left, designLeft + 150);  // the one reported move, no more
    settle();
    EXPECT_EQ(Form1->Left(), left);
}

// Positions come from the pointer's screen position and where the window is
// now, so the offset the toolkit reports against the window's old place is
// not counted again once the window has moved.
TEST_F(Drag, PositionsAreMeasuredFromWhereTheFaceIsNow) {
    const QPoint grab(68 + 40, 55 + 40);
    QCursor::setPos(grab);
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    mouseMove(rt::vbLeftButton, 40 + 150, 40);  // the window is now 10 pixels on
    ASSERT_EQ(Form1->pixelLeft(), 78);

    std::vector<float> xs;
    Form1->Picture2.MouseMove = [&](std::int16_t&, std::int16_t&, float& X, float&) { xs.push_back(X); };
    send(QEvent::MouseMove, grab, Qt::NoButton, Qt::LeftButton);
    ASSERT_FALSE(xs.empty());
    EXPECT_EQ(xs[0], 30);
}

// ---- The menu trigger ----

TEST_F(MenuDrag, OnlyARightReleaseOpensTheMenuAndLoadsTheMenuFormOnce) {
    answerMenuWith(nullptr);
    for (int b : {1, 4, 3, 0}) mouseUp(std::int16_t(b));
    EXPECT_TRUE(popups.empty());
    EXPECT_FALSE(prefs.exists() && prefs->isLoaded());

    mouseUp(rt::vbRightButton);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], &prefs->ClockMenu);
    EXPECT_TRUE(prefs->isLoaded());
    EXPECT_FALSE(prefs->isVisible());
    // Dismissed without a choice: nothing changed.
    EXPECT_EQ(Form1->ScaleWidth(), 200);
    EXPECT_TRUE(probe.regions.empty());

    // Later pop-ups reuse the menu form as it is, still hidden.
    PrefsForm* first = &prefs.get();
    QWidget* window = first->window();
    mouseUp(rt::vbRightButton);
    mouseUp(rt::vbRightButton);
    EXPECT_EQ(popups.size(), 3u);
    EXPECT_EQ(&prefs.get(), first);
    EXPECT_EQ(prefs->window(), window);
    EXPECT_FALSE(prefs->isVisible());
    EXPECT_EQ(rt::Forms().size(), 2u);
}

TEST_F(MenuDrag, RightButtonDragMovesAndThenOpensTheMenu) {
    answerMenuWith(nullptr);
    mouseDown(rt::vbRightButton, 40, 40);
    mouseMove(rt::vbRightButton, 70, 40);
    EXPECT_TRUE(popups.empty());
    mouseUp(rt::vbRightButton, 70, 40);
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_EQ(Form1->Left(), designLeft + 30);
}

// The real pop-up, read while it is open, then answered from the keyboard.
TEST_F(MenuDrag, PopupShowsTheFiveEntriesAndRaisesTheChosenOne) {
    std::vector<QString> texts;
    std::vector<bool> separators;
    QString title = "unread";
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        title = menu->title();
        for (QAction* a : menu->actions()) {
            texts.push_back(a->text());
            separators.push_back(a->isSeparator());
        }
        for (int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(menu, &press);
        }
    });
    // Should the pop-up not appear where it is looked for, close whatever
    // opened rather than wait for ever.
    QTimer::singleShot(3000, [] {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    mouseUp(rt::vbRightButton);

    EXPECT_EQ(texts, (std::vector<QString>{"Small", "Medium", "Large", "", "Quit"}));
    EXPECT_EQ(separators, (std::vector<bool>{false, false, false, true, false}));
    EXPECT_TRUE(title.isEmpty()) << "the menu's own caption must not show";
    EXPECT_EQ(Form1->ScaleWidth(), 333) << "the third entry, Large, was not raised";
}

// ---- Sizes ----

// The region of the window at a given size: its shape is the ellipse of
// the startup tests; here what matters is which size it was cut for.
void expectEllipse(const QRegion& region, int w, int h) {
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, w, h));
    EXPECT_FALSE(region.contains(QPoint(2, 2))) << "not cut to an ellipse";
}

TEST_F(MenuDrag, SizesSetWidthThenHeightWithAnEllipseBetween) {
    const QPoint corner = Form1->window()->pos();
    prefs->ClockLarge_Click();
    ASSERT_EQ(probe.regions.size(), 2u) << "one Form_Resize for the width, one for the height";
    expectEllipse(probe.regions[0], 333, 200);
    expectEllipse(probe.regions[1], 333, 333);
    EXPECT_EQ(Form1->ScaleWidth(), 333);
    EXPECT_EQ(Form1->ScaleHeight(), 333);
    EXPECT_EQ(Form1->Picture2.Width(), 333);
    EXPECT_EQ(Form1->Picture2.Height(), 333);
    EXPECT_EQ(Form1->window()->size(), QSize(333, 333));

    probe.regions.clear();
    prefs->ClockSmall_Click();
    ASSERT_EQ(probe.regions.size(), 2u);
    expectEllipse(probe.regions[0], 133, 333);
    expectEllipse(probe.regions[1], 133, 133);
    EXPECT_EQ(Form1->Picture2.Width(), 133);

    probe.regions.clear();
    prefs->ClockMedium_Click();
    ASSERT_EQ(probe.regions.size(), 2u);
    expectEllipse(probe.regions[0], 200, 133);
    expectEllipse(probe.regions[1], 200, 200);

    // The top-left corner never moved.
    EXPECT_EQ(Form1->Left(), designLeft);
    EXPECT_EQ(Form1->Top(), designTop);
    EXPECT_EQ(Form1->window()->pos(), corner);
}

TEST_F(MenuDrag, ChoosingTheCurrentSizeChangesNothing) {
    prefs->ClockMedium_Click();
    EXPECT_TRUE(probe.regions.empty());
    EXPECT_EQ(Form1->ScaleWidth(), 200);
    EXPECT_EQ(Form1->ScaleHeight(), 200);
}

// ---- Quit ----

TEST_F(MenuDrag, QuitFromThePopupUnloadsBothForms) {
    answerMenuWith(&prefs->CLockQuit);
    mouseUp(rt::vbRightButton);
    EXPECT_FALSE(Form1->isLoaded());
    EXPECT_FALSE(prefs->isLoaded());
    EXPECT_EQ(Form1->window(), nullptr);
    EXPECT_TRUE(rt::Forms().empty());
}

TEST_F(MenuDrag, QuitWithTheMenuFormNeverLoaded) {
    ASSERT_FALSE(prefs.exists());
    prefs->CLockQuit_Click();
    EXPECT_FALSE(Form1->isLoaded());
    EXPECT_FALSE(prefs->isLoaded());
    EXPECT_TRUE(rt::Forms().empty());
}

}  // namespace
