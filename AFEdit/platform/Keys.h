// The control speaks in virtual key codes (Backspace 8, Tab 9, Enter 13,
// Shift 16, Escape 27, Space 32, PageUp 33 ... Down 40, Insert 45, Delete 46,
// 0-9 48-57, A-Z 65-90, punctuation 186-192 and 219-228, input-method
// processed 229); this maps Qt's keys and modifier states onto them.
#pragma once

#include <Qt>

#include "AFEdit/platform/Types.h"

class QKeyEvent;

enum : int {
  VK_BACK = 8, VK_TAB = 9, VK_CLEAR = 12, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17,
  VK_MENU = 18, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35,
  VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45,
  VK_DELETE = 46, VK_PROCESSKEY = 229
};

// The virtual key code of a key event: the key pressed, the same with and
// without Shift (Shift+1 is the 1 key, Shift+; the ; key), on the Japanese
// keyboard layout; 0 when it has none.  Letters keep their upper-case ASCII
// codes, digits theirs.
int VirtualKeyFromQt(const QKeyEvent& Event);
// The same from the event's Qt key and, on X11, its keysym (0 elsewhere):
// a printable keysym decides, else the Qt key.
int VirtualKeyFromQt(int QtKey, unsigned Keysym = 0);

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons = Qt::NoButton);

// The state of the keyboard and the mouse right now (not of an event):
// whether Shift is held, whether the left button is down.
bool ShiftKeyHeld();
bool LeftButtonHeld();
