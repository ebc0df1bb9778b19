#include "AFEdit/platform/Keys.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <array>
#include <cstdint>

namespace {

// The key of every printable ASCII character on the Japanese keyboard: a
// shifted character names the key it is typed with (! is the 1 key, + the
// ; key), letters name their key in either case.  0: no such key.
constexpr std::array<uint8_t, 128> MakeJisKeyTable() {
  std::array<uint8_t, 128> t{};
  for (int c = '0'; c <= '9'; ++c) t[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
  for (int c = 'A'; c <= 'Z'; ++c) {
    t[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    t[static_cast<size_t>(c - 'A' + 'a')] = static_cast<uint8_t>(c);
  }
  // Shift with 1 ... 9 (Shift with 0 types nothing).
  const char shiftedDigits[] = "!\"#$%&'()";
  for (int i = 0; i < 9; ++i) t[static_cast<size_t>(shiftedDigits[i])] = static_cast<uint8_t>('1' + i);
  struct TPair {
    char Plain, Shifted;
    uint8_t Key;
  };
  const TPair punctuation[] = {
      {' ', ' ', VK_SPACE}, {'-', '=', 189}, {'^', '~', 222}, {'\\', '|', 220}, {'@', '`', 192},
      {'[', '{', 219},      {';', '+', 187}, {':', '*', 186}, {']', '}', 221},  {',', '<', 188},
      {'.', '>', 190},      {'/', '?', 191},
  };
  for (const TPair& p : punctuation) {
    t[static_cast<size_t>(p.Plain)] = p.Key;
    t[static_cast<size_t>(p.Shifted)] = p.Key;
  }
  t['_'] = 226;  // the \_ key next to the right Shift
  return t;
}

constexpr std::array<uint8_t, 128> kJisKeys = MakeJisKeyTable();

bool Printable(unsigned Code) noexcept { return Code >= 0x20 && Code < 0x7F; }

}  // namespace

int VirtualKeyFromQt(int QtKey, unsigned Keysym) {
  // A Latin keysym is its character; Qt's codes of printable keys are
  // their (upper-case) characters.  Either names the key through the table.
  if (Printable(Keysym)) return kJisKeys[Keysym];
  if (QtKey >= 0 && Printable(static_cast<unsigned>(QtKey))) return kJisKeys[static_cast<size_t>(QtKey)];
  if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) return 112 + (QtKey - Qt::Key_F1);
  switch (QtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_yen: return 220;  // the \| key
    case Qt::Key_Zenkaku_Hankaku: return 244;
    default: return 0;
  }
}

int VirtualKeyFromQt(const QKeyEvent& Event) {
  // On X11 the native virtual key is the keysym; elsewhere it means
  // something else (or nothing) and only the Qt key is used.
  static const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  return VirtualKeyFromQt(Event.key(), x11 ? Event.nativeVirtualKey() : 0);
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TShiftState s;
  if (Modifiers & Qt::ShiftModifier) s += {ssShift};
  if (Modifiers & Qt::AltModifier) s += {ssAlt};
  if (Modifiers & Qt::ControlModifier) s += {ssCtrl};
  if (Buttons & Qt::LeftButton) s += {ssLeft};
  if (Buttons & Qt::RightButton) s += {ssRight};
  if (Buttons & Qt::MiddleButton) s += {ssMiddle};
  return s;
}

bool ShiftKeyHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

bool LeftButtonHeld() { return QGuiApplication::mouseButtons().testFlag(Qt::LeftButton); }
