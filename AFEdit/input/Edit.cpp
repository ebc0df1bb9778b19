// The edit primitives: every change a user makes to the text is a splice of
// bytes into or out of the stored rows, handed to re-wrap afterwards.  Lines
// are split by inserting a CR and joined by deleting one.
//
// Each user operation opens one edit group before its first change, so that
// one undo step takes back everything it did, re-wrap included.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"

namespace {

constexpr char kCr = '\r';
constexpr char kSpace = ' ';

bool IsLead(char c) noexcept { return IsLeadByte(static_cast<unsigned char>(c)); }

}  // namespace

int TCustomAFEdit::PosToByteIndex(TPoint P) {
  if (P.Y < 0 || P.Y >= RowCount()) return 0;
  // A position inside the indent stands for the row's first byte.
  return std::max(0, DisplayToByteCount(FLines.View(P.Y), P.X, RowIndent(P.Y), FTabSize));
}

void TCustomAFEdit::InsertText(std::string_view Text) {
  const TEditScope scope(*this);
  std::string S(Text);
  // 1. A selection is replaced: its deletion opens the group.
  if (!FSel.HasCharSel() && !FSel.HasRowSel()) {
    ++FEditGroup;
  } else if (FBatchEdit) {
    DeleteSelection();
  } else {
    FBatchEdit = true;
    DeleteSelection();
    FBatchEdit = false;
  }

  // 2. A free caret below the last row: rows are added up to it.
  int R = FCaret.Y;
  if (R >= RowCount()) {
    const int last = RowCount() - 1;
    if (!RowHasLineEnd(last)) SetRowText(last, FLines[last].str() + kCr, false);
    while (RowCount() < R) AppendRow(TRowStr("\r"), FLineAttrs.PeekAttr(RowCount() - 1));
    AppendRow(TRowStr(), FLineAttrs.PeekAttr(RowCount() - 1));
  }

  // 3. and 4. The insertion point in the row's bytes; a caret inside a
  // tab's span goes to the start of the span.
  const int indent = RowIndent(R);
  const int dlen = RowDisplayWidth(R);
  int B = PosToByteIndex({FCaret.X, R});
  if (FCaret.X > indent && FCaret.X <= dlen) FCaret.X = std::min(FCaret.X, ByteToDisplayPos({B, R}).X);

  // 5. A caret outside the text.
  bool continuation = true;
  // A caret after a row's CR (where ClampPos and a free caret may put it)
  // stands beyond the end as well: text never goes in behind a line end.
  if (FCaret.X > dlen || (FCaret.X == dlen && RowHasLineEnd(R))) {
    if (FOptions.contains(aoFreeCaret)) S.insert(0, static_cast<size_t>(FCaret.X - dlen), kSpace);
    SendKeyDown(VK_END);
    FShiftSel = false;
    R = FCaret.Y;
    B = PosToByteIndex({FCaret.X, R});
  } else if (FCaret.X < indent) {
    SendKeyDown(VK_HOME);
    R = FCaret.Y;
    B = 0;
    continuation = false;
  }

  // 6. At the start of a continuation row the text goes to the end of the
  // row before it.
  if (continuation && R > 0 && !RowHasLineEnd(R - 1) && B == 0) {
    B = static_cast<int>(FLines.View(R - 1).size());
    FCaret = {RowDisplayWidth(R - 1), R - 1};
    --R;
  }

  // 7. The splice.
  const std::string T = FLines[R].str();
  const size_t b = std::min(static_cast<size_t>(B), T.size());
  const int n = static_cast<int>(S.size());
  if (FInsertMode) {
    SetRowText(R, T.substr(0, b) + S + T.substr(b), false);
    ColAttrEdit(R, B, caInsert, n);
    BlocksEdited(R, B, caInsert, n);
  } else if (T.size() - b > S.size()) {
    std::string t = T;
    const size_t lastOver = b + S.size() - 1;
    // A two-byte character cut in half leaves a space for its second byte.
    if (!S.empty() && ByteType(t, lastOver) == mbLeadByte && lastOver + 1 < t.size()) t[lastOver + 1] = kSpace;
    t.replace(b, S.size(), S);
    SetRowText(R, t, false);
  } else {
    std::string t = T.substr(0, b) + S;
    if (!T.empty() && T.back() == kCr) t.push_back(kCr);
    SetRowText(R, t, false);
  }

  // 8. Re-wrap splits at the CRs S brought and carries the caret along.
  FLineAttrs.GetAttr(R).Dirty = true;
  RewrapRow(R);

  // 9. One step right per character of S.
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  FOptions -= TAFEditOptions{aoFreeCaret};
  for (size_t i = 0; i < S.size(); ++i) {
    if (IsLead(S[i]) && i + 1 < S.size()) ++i;
    CaretRight();
  }
  if (freeCaret) FOptions += TAFEditOptions{aoFreeCaret};

  KeepSelInDocument();
  // 10. The view.
  if (!FBatchEdit) {
    SetScrollBars(FScrollBars);
    ScrollToCaret();
    UpdateCaret();
    RepaintDirtyRows();
  }
}

void TCustomAFEdit::NewLine() {
  const TEditScope scope(*this);
  std::string A;
  if ((FOptions.contains(aoAutoIndent) || FOptions.contains(aoAutoJpnIndent)) && FCaret.Y < RowCount() &&
      !FLines.View(FCaret.Y).empty()) {
    const std::string_view t = FLines.View(FCaret.Y);
    const size_t N = std::min(static_cast<size_t>(PosToByteIndex(FCaret)), t.size());
    size_t P = 0;
    while (P < N) {
      if (t[P] == '\t' || t[P] == kSpace) {
        ++P;
      } else if (FOptions.contains(aoAutoJpnIndent) && P + 1 < t.size() && t[P] == '\x81' && t[P + 1] == '\x40') {
        P += 2;
      } else {
        break;
      }
    }
    A = t.substr(0, P);
  }
  const bool insertMode = FInsertMode;
  FInsertMode = true;
  const bool freeCaret = FOptions.contains(aoFreeCaret);
  FOptions -= TAFEditOptions{aoFreeCaret};
  InsertText(std::string(1, kCr) + A);
  if (freeCaret) FOptions += TAFEditOptions{aoFreeCaret};
  FInsertMode = insertMode;
}

void TCustomAFEdit::TabChar() {
  const TEditScope scope(*this);
  ++FEditGroup;
  if (FOptions.contains(aoAutoFormat) && FCaret.Y < RowCount() && PosToByteIndex(FCaret) == 0)
    IndentRow();
  else
    InsertText("\t");
}

void TCustomAFEdit::ChangeIndent(int Indent) {
  const TEditScope scope(*this);
  const int row = FCaret.Y;
  TLineAttr rec = FLineAttrs.GetAttr(row);
  rec.Indent = static_cast<int16_t>(Indent);
  SetRowAttr(row, rec);
  FireUndoChange(FUndoBuff.CanUndo(), false);
  FCaret.X = rec.Indent;
  RepaintDirtyRows();
  ScrollToCaret();
}

void TCustomAFEdit::IndentRow() {
  if (FCaret.Y < 0 || FCaret.Y >= RowCount()) return;
  const TLineAttr a = FLineAttrs.PeekAttr(FCaret.Y);
  // The indent keeps its gap before the wrap column, but a wrap column
  // closer than that leaves it at 0, never negative.
  ChangeIndent(std::max(0, std::min(a.Indent + FTabSize, a.WrapPos - kMarkerGap)));
}

void TCustomAFEdit::OutdentRow() {
  if (FCaret.Y < 0 || FCaret.Y >= RowCount() || FCaret == TPoint{0, 0} || !FOptions.contains(aoAutoFormat) ||
      PosToByteIndex(FCaret) != 0)
    return;
  ++FEditGroup;
  ChangeIndent(std::max(0, FLineAttrs.PeekAttr(FCaret.Y).Indent - FTabSize));
}

bool TCustomAFEdit::DeleteCharAtCaret() {
  const TEditScope scope(*this);
  const int R = FCaret.Y;
  if (R < 0 || R > RowCount() - 1) return false;
  if (FCaret.X >= RowDisplayWidth(R)) return false;
  int B = PosToByteIndex(FCaret);
  std::string t = FLines[R].str();
  if (static_cast<size_t>(B) >= t.size()) return false;  // an indent with no text after it
  ++FEditGroup;
  // The character's width comes from the text: a caret inside the indent
  // stands before the row's first byte, which the display text does not
  // show there.  A caret left inside a character deletes the whole of it.
  int n = 1;
  const TMbcsByteType type = ByteType(t, static_cast<size_t>(B));
  if (type == mbLeadByte && B + 1 < static_cast<int>(t.size())) {
    n = 2;
  } else if (type == mbTrailByte) {
    --B;
    --FCaret.X;
    n = 2;
  }
  t.erase(static_cast<size_t>(B), static_cast<size_t>(n));
  ReplaceRow(R, t);
  ColAttrEdit(R, B, caDelete, n);
  BlocksEdited(R, B, caDelete, n);
  FLineAttrs.GetAttr(R).Dirty = true;
  RewrapRow(R);
  KeepSelInDocument();
  UpdateCaret();
  RepaintDirtyRows();
  return true;
}

void TCustomAFEdit::BackspaceChar() {
  const TEditScope scope(*this);
  if (FSel.HasCharSel() || FSel.HasRowSel()) {
    ++FEditGroup;
    SendKeyDown(VK_DELETE);
    return;
  }
  if (FCaret.Y == 0 && FCaret.X <= RowIndent(0)) return;
  ++FEditGroup;
  SendKeyDown(VK_LEFT);
  SendKeyDown(VK_DELETE);
}

void TCustomAFEdit::DeleteSelection() {
  const TEditScope scope(*this);
  if (!FSel.HasCharSel() && !FSel.HasRowSel()) return;
  ++FEditGroup;
  // The ends may have been set to anything: the deletion works on them
  // clamped into the document.  The group stays open even if nothing is
  // left to delete, as the callers count on it, and a character selection
  // that clamping emptied still puts the caret at its start.
  const bool charSel = FSel.HasCharSel();
  ClampSelToDocument();
  if (charSel) {
    const TPoint S = FSel.GetSelStart(), E = FSel.GetSelEnd();
    const int startByte = PosToByteIndex(S);
    for (int i = E.Y - S.Y - 1; i > 0; --i) DeleteRow(S.Y + 1);
    if (E.Y == S.Y) {
      const int b = PosToByteIndex(S);
      const int e = std::max(b, PosToByteIndex(E));
      const std::string t = FLines[S.Y].str();
      ReplaceRow(S.Y, t.substr(0, static_cast<size_t>(b)) + t.substr(std::min(static_cast<size_t>(e), t.size())));
      ColAttrEdit(S.Y, b, caDelete, e - b);
      BlocksEdited(S.Y, b, caDelete, e - b);
    } else {
      const int endRow = S.Y + 1;
      const int b = PosToByteIndex(S);
      const std::string head = FLines[S.Y].str().substr(0, static_cast<size_t>(b));
      const int lenS = static_cast<int>(FLines.View(S.Y).size());
      ColAttrEdit(S.Y, b, caDelete, lenS - b);
      BlocksEdited(S.Y, b, caDelete, lenS - b);
      SetRowText(S.Y, head, false);
      const std::string endText = FLines[endRow].str();
      const int e = std::clamp(PosToByteIndex({E.X, endRow}), 0,
                               static_cast<int>(endText.size()));
      const int tail = static_cast<int>(endText.size()) - e;
      ColAttrEdit(endRow, 0, caDelete, e);
      BlocksEdited(endRow, 0, caDelete, e);
      ColAttrsMove(endRow, S.Y, amToPrevRow, tail);
      BlocksMove(endRow, S.Y, amToPrevRow, tail);
      SetRowText(S.Y, FLines[S.Y].str() + endText.substr(static_cast<size_t>(e)), false);
      if (endRow == RowCount() - 1)
        SetRowText(endRow, TRowStr(), false);
      else
        DeleteRow(endRow);
      FLineAttrs.MarkDirty(S.Y, RowCount());
    }
    RewrapRow(S.Y);
    // The selection collapses at its start, where the caret now stands, so
    // that a Shift selection going on from here starts at the caret.
    FCaret = S;
    // Re-wrap may have moved the start of the range to a later row (a word
    // or a character that may not begin a row went along): follow its byte.
    int r = S.Y, k = startByte;
    while (k > static_cast<int>(FLines.View(r).size()) && !RowHasLineEnd(r) && r + 1 < RowCount())
      k -= static_cast<int>(FLines.View(r++).size());
    if (r != S.Y) FCaret = ByteToDisplayPos({k, r});
    FTopRow = std::min(FCaret.Y, FTopRow);
    FSel.SetAnchorPos(S);
    FSel.SetActivePos(S);
  } else if (FSel.HasRowSel()) {
    const int first = FSel.FirstSelRow(), last = FSel.LastSelRow();
    for (int r = std::min(last, RowCount() - 1); r >= first; --r) {
      if (r == RowCount() - 1) {
        FreeColAttrs(r);
        SetRowText(r, TRowStr(), false);
      } else {
        DeleteRow(r);
      }
    }
    FLineAttrs.MarkDirty(first, RowCount());
    FTopRow = std::min(FCaret.Y, FTopRow);
    FCaret.Y -= last - first + 1;
    if (FCaret.Y < 0) FCaret = {0, 0};
    FSel.ClearRowSel();
  }
  KeepSelInDocument();
  RepaintDirtyRows();
  UpdateCaret();
}
