// Key events become the virtual key of the key pressed: the same with and
// without Shift, on the Japanese keyboard layout.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "AFEdit/platform/Keys.h"

namespace {

struct TKeyCase {
  Qt::Key Key;
  const char* Text;
  int Plain;    // Qt key of the same key without Shift
  int Expected;
};

// Every shifted character of the layout's digit and punctuation keys.
const TKeyCase kShifted[] = {
    {Qt::Key_Exclam, "!", Qt::Key_1, 49},          {Qt::Key_QuoteDbl, "\"", Qt::Key_2, 50},
    {Qt::Key_NumberSign, "#", Qt::Key_3, 51},      {Qt::Key_Dollar, "$", Qt::Key_4, 52},
    {Qt::Key_Percent, "%", Qt::Key_5, 53},         {Qt::Key_Ampersand, "&", Qt::Key_6, 54},
    {Qt::Key_Apostrophe, "'", Qt::Key_7, 55},      {Qt::Key_ParenLeft, "(", Qt::Key_8, 56},
    {Qt::Key_ParenRight, ")", Qt::Key_9, 57},      {Qt::Key_Equal, "=", Qt::Key_Minus, 189},
    {Qt::Key_AsciiTilde, "~", Qt::Key_AsciiCircum, 222}, {Qt::Key_Bar, "|", Qt::Key_Backslash, 220},
    {Qt::Key_QuoteLeft, "`", Qt::Key_At, 192},     {Qt::Key_BraceLeft, "{", Qt::Key_BracketLeft, 219},
    {Qt::Key_Plus, "+", Qt::Key_Semicolon, 187},   {Qt::Key_Asterisk, "*", Qt::Key_Colon, 186},
    {Qt::Key_BraceRight, "}", Qt::Key_BracketRight, 221}, {Qt::Key_Less, "<", Qt::Key_Comma, 188},
    {Qt::Key_Greater, ">", Qt::Key_Period, 190},   {Qt::Key_Question, "?", Qt::Key_Slash, 191},
    {Qt::Key_Underscore, "_", Qt::Key_Underscore, 226}, {Qt::Key_A, "A", Qt::Key_A, 65},
};

TEST(Keys, ShiftedKeysAreTheKeyPressed) {
  for (const TKeyCase& c : kShifted) {
    const QKeyEvent shifted(QEvent::KeyPress, c.Key, Qt::ShiftModifier, QString::fromLatin1(c.Text));
    const QKeyEvent plain(QEvent::KeyPress, c.Plain, Qt::NoModifier);
    EXPECT_EQ(VirtualKeyFromQt(shifted), c.Expected) << c.Text;
    EXPECT_EQ(VirtualKeyFromQt(plain), c.Expected) << c.Text;
    // On X11 the keysym (the shifted character) says the same.
    EXPECT_EQ(VirtualKeyFromQt(c.Key, static_cast<unsigned char>(c.Text[0])), c.Expected) << c.Text;
  }
}

TEST(Keys, NamedKeysAndKeysymsOutsideTheTable) {
  const struct {
    int Key;
    unsigned Keysym;
    int Expected;
  } cases[] = {
      {Qt::Key_PageUp, 0xff55, VK_PRIOR}, {Qt::Key_Space, 0x20, VK_SPACE}, {Qt::Key_F5, 0, 116},
      {Qt::Key_yen, 0xa5, 220},           {Qt::Key_1, 0xffb1, 49},       {Qt::Key_Ccedilla, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyFromQt(c.Key, c.Keysym), c.Expected) << c.Key;
}

}  // namespace
