#include "AFEdit/platform/Keys.h"

int VirtualKeyFromQt(int QtKey) {
  if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) return QtKey;  // 48-57
  if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) return QtKey;  // 65-90
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
    case Qt::Key_Space: return VK_SPACE;
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
    // Punctuation keys of the Japanese layout.
    case Qt::Key_Colon: return 186;       // :*
    case Qt::Key_Semicolon: return 187;   // ;+
    case Qt::Key_Comma: return 188;       // ,<
    case Qt::Key_Minus: return 189;       // -=
    case Qt::Key_Period: return 190;      // .>
    case Qt::Key_Slash: return 191;       // /?
    case Qt::Key_At: return 192;          // @`
    case Qt::Key_BracketLeft: return 219; // [{
    case Qt::Key_yen:
    case Qt::Key_Backslash: return 220;   // \|
    case Qt::Key_BracketRight: return 221;// ]}
    case Qt::Key_AsciiCircum: return 222; // ^~
    case Qt::Key_Underscore: return 226;  // \_ next to right shift
    case Qt::Key_Zenkaku_Hankaku: return 244;
    default: return 0;
  }
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
