// Real key and mouse events reach the control's standard events in its own
// terms: virtual key codes, CP932 characters, positions and modifiers.
#include <gtest/gtest.h>

#include <QTest>

#include "AFEdit/AFEdit.h"

namespace {

struct Shown : ::testing::Test {
  void SetUp() override {
    e.resize(300, 200);
    e.show();
    e.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&e));
    e.Loaded();
    e.setFocus();
  }
  TAFEdit e;
};

TEST_F(Shown, KeysArriveAsVirtualKeyCodesAndCp932Characters) {
  std::vector<int> downs, ups;
  std::vector<std::string> chars;
  TShiftState lastShift;
  e.OnKeyDown = [&](TCustomAFEdit*, int& k, TShiftState s) {
    downs.push_back(k);
    lastShift = s;
  };
  e.OnKeyUp = [&](TCustomAFEdit*, int& k, TShiftState) { ups.push_back(k); };
  e.OnKeyPress = [&](TCustomAFEdit*, std::string& c) { chars.push_back(c); };
  QTest::keyClick(e.viewport(), Qt::Key_A);
  QTest::keyClick(e.viewport(), Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(e.viewport(), Qt::Key_PageDown);
  QTest::keyClick(e.viewport(), Qt::Key_Tab);  // stays with the control
  QTest::keyClick(e.viewport(), Qt::Key_Exclam, Qt::ShiftModifier);  // the 1 key
  // The Shift key itself goes down and up around the arrow.
  EXPECT_EQ(downs, (std::vector<int>{65, VK_SHIFT, VK_LEFT, VK_NEXT, VK_TAB, VK_SHIFT, '1'}));
  EXPECT_EQ(ups.size(), 7u);
  EXPECT_TRUE(e.hasFocus());
  // A typed full-width character is reported as its two CP932 bytes.
  QKeyEvent ka(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("あ"));
  QCoreApplication::sendEvent(e.viewport(), &ka);
  ASSERT_GE(chars.size(), 2u);
  EXPECT_EQ(chars.front(), "a");
  EXPECT_EQ(chars.back(), "\x82\xA0");
  QTest::keyClick(e.viewport(), Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_TRUE(lastShift.contains(ssShift));
  EXPECT_TRUE(lastShift.contains(ssCtrl));
}

TEST_F(Shown, MouseEventsAndClicks) {
  std::vector<std::string> log;
  e.OnMouseDown = [&](TCustomAFEdit*, TMouseButton b, TShiftState s, int x, int y) {
    log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  (s.contains(ssDouble) ? " double" : ""));
  };
  e.OnMouseUp = [&](TCustomAFEdit*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
  e.OnClick = [&](TCustomAFEdit*) { log.push_back("click"); };
  e.OnDblClick = [&](TCustomAFEdit*) { log.push_back("dblclick"); };
  QTest::mouseClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 40));
  QTest::mouseDClick(e.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 40));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "down 0 50,40");
  EXPECT_EQ(log[1], "up");
  EXPECT_EQ(log[2], "click");
  EXPECT_NE(std::find(log.begin(), log.end(), "dblclick"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "down 0 50,40 double"), log.end());
}

TEST_F(Shown, FocusReportsEnterAndExit) {
  int enters = 0, exits = 0;
  e.OnEnter = [&](TCustomAFEdit*) { ++enters; };
  e.OnExit = [&](TCustomAFEdit*) { ++exits; };
  e.clearFocus();
  e.setFocus();
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(enters, 1);
}

}  // namespace

namespace {

// The screen shows the caret over the surface, inverted, in the blink's
// shown phase only; firing the blink timer steps the phases.
TEST_F(Shown, TheCaretBlinksOnTheScreen) {
  e.UpdateCaret();
  ASSERT_TRUE(e.CaretVisible());
  const TRect c = e.CaretRect();
  auto inverted = [&] {
    const QImage screen = e.viewport()->grab().toImage();
    const QPoint p(c.Left, c.Top + 1);
    return screen.pixel(p) == (~e.Surface().pixel(p) | 0xff000000u);
  };
  EXPECT_TRUE(inverted());
  for (const bool on : {false, true, false}) {
    ASSERT_TRUE(e.SysCaret().BlinkTimer().Fire());
    EXPECT_EQ(inverted(), on);
  }
  e.HideCaret();
  ASSERT_TRUE(e.SysCaret().BlinkTimer().Fire());  // a hidden caret stops blinking
  EXPECT_FALSE(e.SysCaret().BlinkTimer().Active());
  EXPECT_FALSE(inverted());
}

}  // namespace
