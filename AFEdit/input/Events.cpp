// Keyboard and mouse events of the control: each is turned into the
// control's own terms (virtual key codes, CP932 characters, pixel positions
// with the modifier state) and reported through the standard events.
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

TMouseButton ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
  }
}

// The characters a key types, as the character procedure expects them.  The
// control keys type their own codes whatever text the platform gives them:
// Backspace 8, Tab 9 (with Shift too), Enter 13, Escape 27; with Ctrl,
// Backspace types DEL and Enter a line feed, which the character procedure
// drops, and Tab nothing.  Delete types nothing (X11 gives it DEL), and a
// key with Alt but not Ctrl types a system character, which is the
// window's, not the control's.
QString TypedText(int Key, const QString& Text, TShiftState Shift) {
  const bool ctrl = Shift.contains(ssCtrl);
  if (Shift.contains(ssAlt) && !ctrl) return {};
  switch (Key) {
    case VK_BACK: return ctrl ? QStringLiteral("\x7f") : QStringLiteral("\b");
    case VK_TAB: return ctrl ? QString() : QStringLiteral("\t");
    case VK_RETURN: return ctrl ? QStringLiteral("\n") : QStringLiteral("\r");
    case VK_ESCAPE: return QStringLiteral("\x1b");
    case VK_DELETE: return {};
    default: return Text;
  }
}

}  // namespace

// Tab and Shift+Tab stay with the control: focus never leaves it by Tab.
bool TCustomAFEdit::focusNextPrevChild(bool) { return false; }

void TCustomAFEdit::keyPressEvent(QKeyEvent* Event) {
  const int key = VirtualKeyFromQt(*Event);
  const TShiftState shift = ShiftStateFromQt(Event->modifiers());
  // A key counts as held from its first press to its release: an
  // auto-repeat of a key whose release came first, or that went down while
  // the focus was elsewhere, does not accelerate.
  if (key != 0 && !Event->isAutoRepeat()) FKeysDown.insert(key);
  if (shift.contains(ssAlt) && !shift.contains(ssCtrl)) {
    // An Alt combination is a system key: the owner hears it, the
    // control's commands do not run.
    int k = key;
    if (OnKeyDown) OnKeyDown(this, k, shift);
    Event->ignore();
    return;
  }
  KeyDown(key, shift, Event->isAutoRepeat());
  // The characters the key typed, each as CP932; one with no CP932 code is
  // refused.
  const QString text = TypedText(key, Event->text(), shift);
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    std::string bytes;
    if (QStringToCp932(text.mid(i, n), bytes) && !bytes.empty())
      KeyPress(bytes, shift);
    else
      RefuseCharacter();
    i += n;
  }
  Event->accept();
}

void TCustomAFEdit::keyReleaseEvent(QKeyEvent* Event) {
  Event->accept();
  // Auto-repeat comes as release and press pairs; the key is still held
  // and nothing is released.
  if (Event->isAutoRepeat()) return;
  const int key = VirtualKeyFromQt(*Event);
  FKeysDown.erase(key);
  KeyUp(key, ShiftStateFromQt(Event->modifiers()));
}

// The left button's own handling (input/Mouse.cpp) comes first, then the
// standard events.
void TCustomAFEdit::mousePressEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const TShiftState shift = ShiftStateFromQt(Event->modifiers(), Event->buttons());
  if (Event->button() == Qt::LeftButton) MouseDown(p.x(), p.y(), shift);
  if (OnMouseDown) OnMouseDown(this, ButtonOf(Event->button()), shift, p.x(), p.y());
}

void TCustomAFEdit::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const TShiftState shift = ShiftStateFromQt(Event->modifiers(), Event->buttons());
  MouseMove(p.x(), p.y(), shift);
  if (OnMouseMove) OnMouseMove(this, shift, p.x(), p.y());
}

void TCustomAFEdit::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const TShiftState shift = ShiftStateFromQt(Event->modifiers(), Event->buttons());
  if (Event->button() == Qt::LeftButton) MouseUp(shift);
  if (OnMouseUp) OnMouseUp(this, ButtonOf(Event->button()), shift, p.x(), p.y());
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) && OnClick)
    OnClick(this);
}

void TCustomAFEdit::mouseDoubleClickEvent(QMouseEvent* Event) {
  TShiftState shift = ShiftStateFromQt(Event->modifiers(), Event->buttons());
  shift += {ssDouble};
  const QPoint p = Event->position().toPoint();
  const bool onText = Event->button() == Qt::LeftButton && MouseDblClick(p.x());
  if (OnMouseDown) OnMouseDown(this, ButtonOf(Event->button()), shift, p.x(), p.y());
  if (Event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
  if (onText) MouseDblClickDone();
}

void TCustomAFEdit::leaveEvent(QEvent* Event) {
  QAbstractScrollArea::leaveEvent(Event);
  SetScreenCursor(crDefault);
}

void TCustomAFEdit::focusInEvent(QFocusEvent* Event) {
  QAbstractScrollArea::focusInEvent(Event);
  CreateCaret(2, FCharHeight);
  ShowCaret();
  FCaretShapeMode = true;
  FCaretShapeWide = false;
  UpdateCaret();
  if (OnEnter) OnEnter(this);
}

void TCustomAFEdit::focusOutEvent(QFocusEvent* Event) {
  DestroyCaret();
  // Keys released from now on are reported elsewhere.
  FKeysDown.clear();
  QAbstractScrollArea::focusOutEvent(Event);
  if (OnExit) OnExit(this);
}

// The wheel moves the vertical bar as a dragged thumb would, after the
// control's handlers have had their say.
void TCustomAFEdit::wheelEvent(QWheelEvent* Event) {
  const TShiftState shift = ShiftStateFromQt(Event->modifiers(), Event->buttons());
  // Viewport events come in the viewport's (client) coordinates.
  const QPoint p = Event->position().toPoint();
  const TPoint pos{p.x(), p.y()};
  const QPoint angle = Event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, delta, pos, handled);
  if (!handled && delta != 0) {
    const TMouseWheelUpDownEvent& e = delta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
    if (e) e(this, shift, pos, handled);
  }
  if (handled) {
    Event->accept();
    return;
  }
  QAbstractScrollArea::wheelEvent(Event);
  VScrollRequest(sbEndScroll);
}

// ---- the input method ----

void TCustomAFEdit::inputMethodEvent(QInputMethodEvent* Event) {
  ImeInput(FIme.Read(*Event));
  Event->accept();
}

QVariant TCustomAFEdit::inputMethodQuery(Qt::InputMethodQuery Query) const {
  // Where the caret stands at the anchor (while composing, at the input
  // method's cursor in the preedit), in the control's own coordinates.
  const TPoint at = FIme.Anchor();
  const QPoint p = viewport()->mapTo(this, QPoint(at.X + FIme.CursorCells() * FCellWidth, at.Y));
  const QRect caret(p, QSize(std::max(FSysCaret.Width(), 1), FCharHeight));
  const QVariant v = FIme.Query(Query, caret, ToQFont(FFont));
  return v.isValid() ? v : QAbstractScrollArea::inputMethodQuery(Query);
}
