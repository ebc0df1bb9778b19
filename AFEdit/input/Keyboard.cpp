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
  int N = Repeat ? std::min(FAccelRate, 4) : 0;
  FImeComposing = FIme.Composing();
  const bool shift = Shift.contains(ssShift);
  const bool ctrl = Shift.contains(ssCtrl);

  // Ctrl or Alt pressed while Shift is held (Shift, Ctrl, Right) neither
  // starts nor ends a Shift selection: the movement key that follows does.
  const bool modifierKey = Key == VK_CONTROL || Key == VK_MENU;
  if (shift && !FImeComposing) {
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

  const int R = FCaret.Y;
  const int rows = RowCount();
  switch (Key) {
    case VK_BACK:
    case VK_PROCESSKEY:
      if (ctrl) OutdentRow();
      break;
    case VK_CLEAR: FInsertMode = !FInsertMode; break;
    case VK_PRIOR:
      if (!(FTopRow < 1 && R < 1)) {
        VScrollRequest(sbPageUp);
        ScrollToCaret();
      }
      break;
    case VK_NEXT:
      if (!(rows - FTopRow < 1 || R >= rows - 1)) {
        VScrollRequest(sbPageDown);
        ScrollToCaret();
      }
      break;
    case VK_END:
      if (ctrl) {
        FCaret = {RowDisplayWidth(rows - 1), rows - 1};
      } else {
        if (R > rows - 1) return;  // below the last row: nothing, and no selection event
        FCaret.X = RowDisplayWidth(R) - (RowHasLineEnd(R) ? 1 : 0);
      }
      ScrollToCaret();
      break;
    case VK_HOME:
      if (ctrl)
        FCaret = {RowIndent(0), 0};
      else
        FCaret.X = R > rows - 1 ? 0 : RowIndent(R);
      if (FLeftCol != 0) {
        FLeftCol = 0;
        Paint();
      }
      ScrollToCaret();
      break;
    case VK_LEFT:
      if (ctrl)
        WordLeft();
      else
        CaretLeft();
      ScrollToCaret();
      break;
    case VK_UP:
      if (R == FTopRow && FTopRow > 0) {
        VScrollRequest(sbLineUp);
        --FCaret.Y;
        ScrollToCaret();
        UpdateCaret();
      } else if (R > 0) {
        --FCaret.Y;
        ScrollToCaret();
      }
      break;
    case VK_RIGHT:
      if (ctrl)
        WordRight();
      else
        CaretRight();
      ScrollToCaret();
      break;
    case VK_DOWN: {
      const bool free = FOptions.contains(aoFreeCaret);
      if (R >= FTopRow + VisibleRowCount() - 2 && (R < rows - 2 || free)) {
        VScrollRequest(sbLineDown);
        ++FCaret.Y;
        ScrollToCaret();
      } else if (R < rows - 1 || free) {
        ++FCaret.Y;
        ScrollToCaret();
      }
      break;
    }
    case VK_INSERT:
      if (shift)
        PasteRequest();
      else if (ctrl)
        CopyToClipboard();
      else
        FInsertMode = !FInsertMode;
      UpdateCaret();
      if (OnStatusChange) OnStatusChange(this);
      break;
    case VK_DELETE:
      if (FSel.HasCharSel() || FSel.HasRowSel()) {
        ++FEditGroup;
        if (shift) CopySelection(false);
        DeleteSelection();
        UpdateCaret();
        RepaintDirtyRows();
      } else if (!DeleteCharAtCaret()) {
        return;  // nothing to delete here
      }
      break;
    default:
      if (IsTextKey(Key)) FShiftSel = false;
      break;
  }

  VScrollRequest(sbEndScroll);
  // Every auto-repeat event moves AccelRate times (at most four) while the
  // key is still held.  The extra key-downs carry no key data of their own:
  // they see Shift and Ctrl as still held, so a Shift selection keeps
  // growing and Ctrl keeps moving by words.
  const TShiftState held = Shift * TShiftState{ssShift, ssCtrl};
  while (N > 1 && FKeysDown.contains(Key)) {
    KeyDown(Key, held, false);
    --N;
  }
  NotifySelChange();
}

void TCustomAFEdit::KeyUp(int Key, TShiftState Shift) {
  if (Key == VK_SHIFT) FShiftSel = false;
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

// ---- words ----

int TCustomAFEdit::WordByteAt(TPoint P, bool& Dbcs) {
  Dbcs = false;
  if (P.Y < 0 || P.Y >= RowCount() || P.X < 0) return -1;
  const std::string_view t = FLines[P.Y].view();
  const int b = PosToByteIndex(P);
  if (b < 0 || b >= static_cast<int>(t.size())) return -1;
  Dbcs = ByteType(t, static_cast<size_t>(b)) != mbSingleByte;
  return b;
}

bool TCustomAFEdit::IsWordBreakAt(TPoint P) {
  bool dbcs = false;
  const int b = WordByteAt(P, dbcs);
  return b < 0 || dbcs || !IsWordByte(static_cast<unsigned char>(FLines[P.Y].view()[static_cast<size_t>(b)]));
}

bool TCustomAFEdit::IsDbcsAt(TPoint P) {
  bool dbcs = false;
  return WordByteAt(P, dbcs) >= 0 && dbcs;
}

bool TCustomAFEdit::IsCrAt(TPoint P) {
  bool dbcs = false;
  const int b = WordByteAt(P, dbcs);
  return b >= 0 && FLines[P.Y].view()[static_cast<size_t>(b)] == '\r';
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
