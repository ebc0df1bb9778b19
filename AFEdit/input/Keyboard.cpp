// Keyboard commands: the key-down procedure with its command table, Shift
// selections and auto-repeat acceleration, word-wise movement, and the
// character procedure that inserts text or performs the control characters.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/Notice.h"

namespace {

bool IsWordByte(unsigned char c) noexcept {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Keys whose text comes through the character event: they end a Shift
// selection.
bool IsTextKey(int Key) noexcept {
  return Key == VK_SHIFT || Key == VK_SPACE || (Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z') ||
         (Key >= 186 && Key <= 192) || (Key >= 219 && Key <= 228);
}

}  // namespace

void TCustomAFEdit::SendKeyDown(int Key) {
  // A key the control sends itself carries no key data: no repeat, no
  // modifiers.
  KeyDown(Key, {}, false);
}

void TCustomAFEdit::KeyDown(int Key, TShiftState Shift, bool Repeat) {
  const TEditScope scope(*this);
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  FPrevCaret = FCaret;
  const int N = Repeat ? std::min(FAccelRate, 4) : 0;
  FImeComposing = FIme.Composing();
  FollowShiftSel(Key, Shift);
  if (!KeyCommand(Key, Shift)) return;
  VScrollRequest(sbEndScroll);
  RepeatKeyDown(Key, Shift, N);
  NotifySelChange();
}

void TCustomAFEdit::FollowShiftSel(int Key, TShiftState Shift) {
  // Ctrl or Alt pressed while Shift is held (Shift, Ctrl, Right) neither
  // starts nor ends a Shift selection: the movement key that follows does.
  const bool modifierKey = Key == VK_CONTROL || Key == VK_MENU;
  if (Shift.contains(ssShift) && !FImeComposing) {
    if (!FShiftSel && Key >= VK_PRIOR && Key <= VK_DOWN) {
      // A new selection starts at the caret.
      MarkSelRowsDirty();
      FSel.FAnchorPos = FSel.FActivePos = ClampPos(FCaret);
      RepaintDirtyRows();
    }
    if (!modifierKey) FShiftSel = true;
    if (FCaret.Y < RowCount()) FLineAttrs.GetAttr(FCaret.Y).Dirty = true;
  } else if (!modifierKey) {
    FShiftSel = false;
  }
}

bool TCustomAFEdit::KeyCommand(int Key, TShiftState Shift) {
  const bool ctrl = Shift.contains(ssCtrl);
  switch (Key) {
    case VK_BACK:
    case VK_PROCESSKEY:
      if (ctrl) OutdentRow();
      return true;
    case VK_CLEAR: FInsertMode = !FInsertMode; return true;
    case VK_PRIOR:
    case VK_NEXT: PageKey(Key == VK_NEXT); return true;
    case VK_END: return EndKey(ctrl);
    case VK_HOME: HomeKey(ctrl); return true;
    case VK_LEFT:
    case VK_RIGHT:
      if (Key == VK_LEFT)
        ctrl ? WordLeft() : CaretLeft();
      else
        ctrl ? WordRight() : CaretRight();
      ScrollToCaret();
      return true;
    case VK_UP: RowUpKey(); return true;
    case VK_DOWN: RowDownKey(); return true;
    case VK_INSERT: InsertKey(Shift); return true;
    case VK_DELETE: return DeleteKey(Shift);
    default:
      if (IsTextKey(Key)) FShiftSel = false;
      return true;
  }
}

void TCustomAFEdit::PageKey(bool Down) {
  const int R = FCaret.Y, rows = RowCount();
  if (Down ? rows - FTopRow < 1 || R >= rows - 1 : FTopRow < 1 && R < 1) return;
  VScrollRequest(Down ? sbPageDown : sbPageUp);
  ScrollToCaret();
}

bool TCustomAFEdit::EndKey(bool Ctrl) {
  const int R = FCaret.Y, rows = RowCount();
  if (Ctrl) {
    FCaret = {RowDisplayWidth(rows - 1), rows - 1};
  } else {
    if (R > rows - 1) return false;  // below the last row: nothing, and no selection event
    FCaret.X = RowDisplayWidth(R) - (RowHasLineEnd(R) ? 1 : 0);
  }
  ScrollToCaret();
  return true;
}

void TCustomAFEdit::HomeKey(bool Ctrl) {
  const int R = FCaret.Y;
  if (Ctrl)
    FCaret = {RowIndent(0), 0};
  else
    FCaret.X = R > RowCount() - 1 ? 0 : RowIndent(R);
  if (FLeftCol != 0) {
    FLeftCol = 0;
    Paint();
  }
  ScrollToCaret();
}

void TCustomAFEdit::RowUpKey() {
  const int R = FCaret.Y;
  if (R == FTopRow && FTopRow > 0) {
    VScrollRequest(sbLineUp);
    --FCaret.Y;
    ScrollToCaret();
    UpdateCaret();
  } else if (R > 0) {
    --FCaret.Y;
    ScrollToCaret();
  }
}

void TCustomAFEdit::RowDownKey() {
  const int R = FCaret.Y, rows = RowCount();
  const bool free = FOptions.contains(aoFreeCaret);
  if (R >= FTopRow + VisibleRowCount() - 2 && (R < rows - 2 || free)) {
    VScrollRequest(sbLineDown);
    ++FCaret.Y;
    ScrollToCaret();
  } else if (R < rows - 1 || free) {
    ++FCaret.Y;
    ScrollToCaret();
  }
}

void TCustomAFEdit::InsertKey(TShiftState Shift) {
  if (Shift.contains(ssShift))
    PasteRequest();
  else if (Shift.contains(ssCtrl))
    CopyToClipboard();
  else
    FInsertMode = !FInsertMode;
  UpdateCaret();
  if (OnStatusChange) OnStatusChange(this);
}

bool TCustomAFEdit::DeleteKey(TShiftState Shift) {
  if (FSel.HasCharSel() || FSel.HasRowSel()) {
    ++FEditGroup;
    if (Shift.contains(ssShift)) CopySelection(false);
    DeleteSelection();
    UpdateCaret();
    RepaintDirtyRows();
    return true;
  }
  return DeleteCharAtCaret();  // false: nothing to delete here
}

void TCustomAFEdit::RepeatKeyDown(int Key, TShiftState Shift, int N) {
  // Every auto-repeat event moves AccelRate times (at most four) while the
  // key is still held.  The extra key-downs carry no key data of their own:
  // they see Shift and Ctrl as still held, so a Shift selection keeps
  // growing and Ctrl keeps moving by words.
  const TShiftState held = Shift * TShiftState{ssShift, ssCtrl};
  for (; N > 1 && FKeysDown.contains(Key); --N) KeyDown(Key, held, false);
}

void TCustomAFEdit::KeyUp(int Key, TShiftState Shift) {
  if (Key == VK_SHIFT) FShiftSel = false;
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

// ---- words ----

int TCustomAFEdit::WordByteAt(TPoint P, bool& Dbcs) {
  Dbcs = false;
  if (P.Y < 0 || P.Y >= RowCount() || P.X < 0) return -1;
  const std::string_view t = FLines.View(P.Y);
  const int b = PosToByteIndex(P);
  if (b < 0 || b >= static_cast<int>(t.size())) return -1;
  Dbcs = ByteType(t, static_cast<size_t>(b)) != mbSingleByte;
  return b;
}

bool TCustomAFEdit::IsWordBreakAt(TPoint P) {
  bool dbcs = false;
  const int b = WordByteAt(P, dbcs);
  return b < 0 || dbcs || !IsWordByte(static_cast<unsigned char>(FLines.View(P.Y)[static_cast<size_t>(b)]));
}

bool TCustomAFEdit::IsDbcsAt(TPoint P) {
  bool dbcs = false;
  return WordByteAt(P, dbcs) >= 0 && dbcs;
}

bool TCustomAFEdit::IsCrAt(TPoint P) {
  bool dbcs = false;
  const int b = WordByteAt(P, dbcs);
  return b >= 0 && FLines.View(P.Y)[static_cast<size_t>(b)] == '\r';
}

void TCustomAFEdit::WordLeft() {
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  FOptions -= TAFEditOptions{aoFreeCaret};
  // The start of the document is row 0's indent: the caret cannot go left
  // of it, so a word that begins there is not stepped into afterwards.
  auto atStart = [&] { return FCaret.Y == 0 && FCaret.X <= RowIndent(0); };
  CaretLeft();
  if (!IsDbcsAt(FCaret)) {
    // Spaces and punctuation, then the word's letters and digits.
    bool skipWord = true;
    while (IsWordBreakAt(FCaret) && !atStart() && !IsDbcsAt(FCaret) && !IsCrAt(FCaret)) {
      const TPoint before = FCaret;
      CaretLeft();
      if (FCaret == before) break;
    }
    if (IsCrAt(FCaret)) {
      CaretLeft();
      skipWord = false;
    }
    while (skipWord && !IsWordBreakAt(FCaret) && !atStart() && !IsDbcsAt(FCaret)) {
      const TPoint before = FCaret;
      CaretLeft();
      if (FCaret == before) break;
    }
    if (!atStart()) CaretRight();
  }
  if (freeCaret) FOptions += TAFEditOptions{aoFreeCaret};
}

void TCustomAFEdit::WordRight() {
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  FOptions -= TAFEditOptions{aoFreeCaret};
  auto inText = [&] {
    bool d = false;
    return WordByteAt(FCaret, d) >= 0;
  };
  auto step = [&] {
    const TPoint before = FCaret;
    CaretRight();
    return !(FCaret == before);
  };
  if (IsDbcsAt(FCaret)) {
    CaretRight();
  } else {
    while (inText() && !IsWordBreakAt(FCaret) && step()) {
    }
    if (IsCrAt(FCaret)) CaretRight();
    while (IsWordBreakAt(FCaret) && inText() && !IsCrAt(FCaret) && !IsDbcsAt(FCaret) && step()) {
    }
  }
  if (freeCaret) FOptions += TAFEditOptions{aoFreeCaret};
}

// ---- characters ----

bool TCustomAFEdit::DoControlChar(std::string_view Ch, TShiftState Shift) {
  FShiftSel = false;
  if (Ch.size() != 1) return false;
  switch (Ch[0]) {
    case '\b': BackspaceChar(); return true;
    case '\t': TabChar(); return true;
    case '\r': NewLine(); return true;
    case '\x1b':
      FSel.CollapseCharSel();
      FSel.ClearRowSel();
      Paint();
      return true;
    default: return Shift.contains(ssCtrl) && !FImeComposing;
  }
}

void TCustomAFEdit::KeyPress(std::string Ch, TShiftState Shift) {
  const TEditScope scope(*this);
  if (OnKeyPress) {
    OnKeyPress(this, Ch);
    if (Ch.empty() || Ch[0] == '\0') return;
  }
  if (!DoControlChar(Ch, Shift)) InsertText(Ch);
}

void TCustomAFEdit::RefuseCharacter() {
  Beep();
  ShowCaretTip("この文字は Shift-JIS で表せないため、入力できません。");
}
