// The platform services on their own: the system caret's hide count and
// blink, driven by firing its timer instead of waiting.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <vector>

#include "AFEdit/platform/SysCaret.h"

namespace {

TEST(SysCaret, ShowsWhenEveryHideIsBalancedAndBlinksWhileShown) {
  TSysCaret c;
  std::vector<TRect> shown;
  c.OnInvalidate = [&](const TRect& R) { shown.push_back(R); };
  c.Create(2, 12);
  c.SetPos(10, 20);
  EXPECT_FALSE(c.Visible());  // created hidden
  c.Hide();
  c.Show();
  EXPECT_FALSE(c.Visible());
  c.Show();
  ASSERT_TRUE(c.Visible());
  EXPECT_EQ(c.Rect(), (TRect{10, 20, 12, 32}));

  // Each firing flips the phase and asks for the caret's rectangle.
  const bool phases[] = {false, true, false};
  for (const bool on : phases) {
    shown.clear();
    ASSERT_TRUE(c.BlinkTimer().Fire());
    EXPECT_EQ(c.BlinkOn(), on);
    EXPECT_EQ(shown, std::vector<TRect>{c.Rect()});
  }
  c.SetPos(30, 20);  // a moved caret starts in its shown phase
  EXPECT_TRUE(c.BlinkOn());

  // Drawn only when visible and on: it inverts the pixels under it.
  QImage img(40, 40, QImage::Format_RGB32);
  for (const bool hidden : {false, true}) {
    img.fill(Qt::white);
    if (hidden) c.Hide();
    QPainter p(&img);
    c.Draw(p);
    p.end();
    EXPECT_EQ(img.pixel(30, 25), hidden ? 0xffffffffu : 0xff000000u);
    EXPECT_EQ(img.pixel(32, 25), 0xffffffffu);
  }
  // A hidden caret stops blinking at its next tick.
  EXPECT_TRUE(c.BlinkTimer().Fire());
  EXPECT_FALSE(c.BlinkTimer().Active());
  c.Destroy();
  EXPECT_FALSE(c.Visible());
}

}  // namespace
