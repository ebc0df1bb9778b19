// The control's events: each is a std::function whose first parameter is
// the control that fires it; by-reference parameters let a handler answer.
#pragma once

#include <functional>
#include <string>

#include "AFEdit/platform/Keys.h"
#include "AFEdit/platform/Types.h"

class TCustomAFEdit;

using TNotifyEvent = std::function<void(TCustomAFEdit* Sender)>;
using TLineInsertEvent = std::function<void(TCustomAFEdit* Sender, int index, std::string& NewLine)>;
using TLineDeleteEvent = std::function<void(TCustomAFEdit* Sender, int index)>;
using TBeforeChangeEvent =
    std::function<void(TCustomAFEdit* Sender, int index, std::string& stNewLine, bool& CanModify)>;
using TUndoChangeEvent = std::function<void(TCustomAFEdit* Sender, bool canUndo, bool canRedo)>;
using TWordBreakEvent = std::function<void(TCustomAFEdit* Sender, const std::string& stLine, int& WrapPos)>;
using TBlockDeleteNotifyEvent = std::function<void(TCustomAFEdit* Sender, int FirstRow, int LastRow)>;
using TDrawLineEvent = std::function<void(TCustomAFEdit* Sender, int index, const TRect& Rect,
                                          const std::string& TabExStr, bool& DefaultDraw)>;
using TDrawAreaEvent = std::function<void(TCustomAFEdit* Sender, const TRect& Rect, bool& DefaultDraw)>;
// Key events carry the virtual key code and the modifier state; key presses
// the character (CP932 bytes).
using TKeyEvent = std::function<void(TCustomAFEdit* Sender, int& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TCustomAFEdit* Sender, std::string& Key)>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TCustomAFEdit* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TCustomAFEdit* Sender, TShiftState Shift, int X, int Y)>;
using TDrawLeftMgnEvent = std::function<void(TCustomAFEdit* Sender, int index, const TRect& Rect,
                                             std::string& AStr, bool& DefaultDraw)>;
// Wheel events: WheelDelta in eighths of a degree (120 per notch), MousePos
// in the control's client coordinates.  Setting Handled stops the scroll.
using TMouseWheelEvent = std::function<void(TCustomAFEdit* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent =
    std::function<void(TCustomAFEdit* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
