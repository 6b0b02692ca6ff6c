// The keyboard picture: how its owner fits it, which key a point hits, what
// it reports, and the Keyboard window showing the keys the machine holds.
#include <QSignalSpy>
#include <cstring>

#include "host/keyboard.h"
#include "host/ui/keyboard_picture.h"
#include "machine/commands.h"
#include "window_fixture.h"

namespace trivo::test {
namespace {

using ui::keyboard_picture_fit;
using ui::keyboard_picture_hit;

int key_labelled(const char* main) {
    for (int i = 0; i < apf_key_count; ++i) {
        if (std::strcmp(apf_key_table[i].main, main) == 0) return i;
    }
    return -1;
}

TEST(KeyboardPicture, FitsCentredAt200To84InsideTheInset) {
    struct Case {
        QSize area;
        QRect fit;
    };
    const Case cases[] = {
        {{420, 104}, {110, 10, 200, 84}},  // wide: height decides
        {{220, 200}, {10, 58, 200, 84}},   // tall: width decides
        {{26, 26}, {10, 12, 6, 2}},        // the smallest area still fitted
        {{25, 100}, {}},                   // inner width 5: not fitted
        {{100, 25}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.area.width() << "x" << c.area.height());
        EXPECT_EQ(keyboard_picture_fit(c.area), c.fit);
    }
}

TEST(KeyboardPicture, HitTestingFindsTheFirstKeyEdgesIncluded) {
    const ApfKey& first = apf_key_table[0];
    const int space = key_labelled("space");
    ASSERT_GE(space, 0);
    const ApfKey& s = apf_key_table[space];
    struct Case {
        QSize size;
        QPoint point;
        int key;
    };
    const Case cases[] = {
        {{200, 92}, {first.x, first.y}, 0},  // top-left corner
        {{200, 92}, {first.x + first.width, first.y + first.height}, 0},  // bottom-right corner
        {{200, 92}, {first.x - 1, first.y}, -1},
        {{200, 92}, {0, 0}, -1},
        {{200, 92}, {s.x + s.width / 2, s.y + s.height / 2}, space},
        // Each axis scales on its own: the same key in a picture twice as wide
        // and three times as high.
        {{400, 276}, {2 * first.x + 1, 3 * first.y + 1}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x() << "," << c.point.y());
        EXPECT_EQ(keyboard_picture_hit(c.size, c.point), c.key);
    }
}

TEST(KeyboardPicture, ReportsClicksOnKeysAndKeysPressed) {
    ui::KeyboardPicture picture;
    picture.resize(400, 184);
    picture.show();
    QSignalSpy clicks(&picture, &ui::KeyboardPicture::clicked);
    QSignalSpy keys(&picture, &ui::KeyboardPicture::keyPressed);
    QTest::mouseClick(&picture, Qt::LeftButton, {}, picture.keyRect(0).center());
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(1, 1));
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 0);
    EXPECT_EQ(clicks.at(1).at(0).toInt(), -1);
    QTest::keyClick(&picture, Qt::Key_A);
    ASSERT_EQ(keys.count(), 1);
    EXPECT_EQ(keys.at(0).at(0).toInt(), int(Qt::Key_A));
}

TEST_F(WindowTest, KeyboardWindowShowsTheKeysTheMachineHolds) {
    start_window();
    window->runCommand(command_keyboard_window);
    ui::KeyboardWindow* kw = window->keyboardWindow();
    ASSERT_NE(kw, nullptr);
    EXPECT_EQ(kw->windowTitle(), QStringLiteral("Keyboard"));
    EXPECT_EQ(window->toolWindowCount(), 1);
    kw->resize(440, 200);
    QApplication::processEvents();
    EXPECT_EQ(kw->picture()->geometry(), keyboard_picture_fit(QSize(440, 200)));

    // A key held with the mouse on the picture is held on the machine, and
    // the picture shows it yellow once a frame has scanned it; let go, white.
    const int space = key_labelled("space");
    const QRect key = kw->picture()->keyRect(space);
    const QPoint corner = key.topLeft() + QPoint(2, 2);
    const auto colour_at_space = [&] { return kw->picture()->grab().toImage().pixelColor(corner); };
    EXPECT_EQ(colour_at_space(), QColor(255, 255, 255));
    QTest::mousePress(kw->picture(), Qt::LeftButton, {}, key.center());
    EXPECT_TRUE(wait_for([&] { return colour_at_space() == QColor(255, 255, 0); }));
    EXPECT_NE(machine->key_state[apf_key_table[space].number], 0);
    QTest::mouseRelease(kw->picture(), Qt::LeftButton, {}, key.center());
    EXPECT_TRUE(wait_for([&] { return colour_at_space() == QColor(255, 255, 255); }));
    EXPECT_EQ(machine->key_state[apf_key_table[space].number], 0);

    // While it is open there is no full screen; the menu item closes it.
    window->runCommand(command_full_screen);
    EXPECT_FALSE(window->display().full_screen);
    window->runCommand(command_keyboard_window);
    EXPECT_EQ(window->keyboardWindow(), nullptr);
    EXPECT_EQ(window->toolWindowCount(), 0);

    // In full screen the item opens nothing.
    window->runCommand(command_full_screen);
    ASSERT_TRUE(window->display().full_screen);
    window->runCommand(command_keyboard_window);
    EXPECT_EQ(window->keyboardWindow(), nullptr);
    window->runCommand(command_full_screen);
}

}  // namespace
}  // namespace trivo::test
