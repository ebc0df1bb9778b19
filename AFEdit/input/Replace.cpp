// Replacing matches: one at the selection, or all of them as one undo step.
// Replace all first changes the bytes of every match of a paragraph, from
// the last to the first so that earlier places stay put, and only then
// re-wraps the paragraph, once.
#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "AFEdit/input/LineBatch.h"

namespace {

constexpr size_t kBatchBytes = 256 << 10;

struct TPending {
  int Para;  // the first row of the match's line
  TBytePos S, E;
  size_t LineOff;
};

}  // namespace

void TCustomAFEdit::SetRowOrDrop(int Row, std::string_view Text) {
  if (Text.empty() && Row < RowCount() - 1)
    DeleteRow(Row);
  else
    SetRowText(Row, TRowStr(Text), false);
}

void TCustomAFEdit::SpliceBytes(TBytePos S, TBytePos E, std::string_view Text) {
  const int n = static_cast<int>(Text.size());
  const int b = S.Byte;
  if (S.Row == E.Row) {
    std::string t = FLines[S.Row].str();
    const int e = E.Byte;
    ColAttrEdit(S.Row, b, caDelete, e - b);
    BlocksEdited(S.Row, b, caDelete, e - b);
    ColAttrEdit(S.Row, b, caInsert, n);
    BlocksEdited(S.Row, b, caInsert, n);
    t.replace(static_cast<size_t>(b), static_cast<size_t>(e - b), Text);
    SetRowOrDrop(S.Row, t);
    return;
  }
  // As a selection over rows is deleted: the rows between go, the end row's
  // tail joins the start row's head, and the text goes in between.
  for (int i = E.Row - S.Row - 1; i > 0; --i) DeleteRow(S.Row + 1);
  const int endRow = S.Row + 1;
  const std::string head = FLines[S.Row].str().substr(0, static_cast<size_t>(b));
  const int lenS = static_cast<int>(FLines.View(S.Row).size());
  ColAttrEdit(S.Row, b, caDelete, lenS - b);
  BlocksEdited(S.Row, b, caDelete, lenS - b);
  SetRowText(S.Row, TRowStr(head), false);
  const std::string endText = FLines[endRow].str();
  const int e = std::clamp(E.Byte, 0, static_cast<int>(endText.size()));
  const int tail = static_cast<int>(endText.size()) - e;
  ColAttrEdit(endRow, 0, caDelete, e);
  BlocksEdited(endRow, 0, caDelete, e);
  ColAttrsMove(endRow, S.Row, amToPrevRow, tail);
  BlocksMove(endRow, S.Row, amToPrevRow, tail);
  if (endRow == RowCount() - 1)
    SetRowText(endRow, TRowStr(), false);
  else
    DeleteRow(endRow);
  ColAttrEdit(S.Row, b, caInsert, n);
  BlocksEdited(S.Row, b, caInsert, n);
  SetRowOrDrop(S.Row, head + std::string(Text) + endText.substr(static_cast<size_t>(e)));
}

TFindResult TCustomAFEdit::ReplaceText(std::string_view Pattern, std::string_view Replacement,
                                       const TFindOptions& Options) {
  if (FSel.HasCharSel() && !FSel.HasRowSel()) {
    const TBytePos s = SelStartBytes(), e = SelEndBytes();
    TFindOptions here = Options;
    here.Backward = false;
    here.WrapAround = false;
    const TFindResult m = FindText(Pattern, s, here);
    if (!m.Error.empty()) return m;
    const int first = LineFirstRow(FLines, s.Row);
    if (m.Found && LineFirstRow(FLines, m.Start.Row) == first &&
        LineOffsetOf(FLines, first, m.Start) == LineOffsetOf(FLines, first, s) &&
        LineFirstRow(FLines, e.Row) == first &&
        LineOffsetOf(FLines, first, m.End) == LineOffsetOf(FLines, first, e)) {
      const bool insertMode = FInsertMode;
      FInsertMode = true;
      InsertText(Replacement);
      FInsertMode = insertMode;
      FSel.CollapseCharSel();
    }
  }
  return FindNext(Pattern, Options);
}

TReplaceResult TCustomAFEdit::ReplaceAll(std::string_view Pattern, std::string_view Replacement,
                                         const TFindOptions& Options, bool InSelection) {
  TReplaceResult res;
  const std::unique_ptr<TLineMatcher> m = MakeMatcher(Pattern, Options, res.Error);
  if (!m) return res;
  int first = 0, lastFirst = LineFirstRow(FLines, RowCount() - 1);
  size_t from = 0, until = std::string_view::npos;
  if (InSelection && SelSpansRows()) {
    const TBytePos a = SelStartBytes(), z = SelEndBytes();
    first = LineFirstRow(FLines, a.Row);
    from = LineOffsetOf(FLines, first, a);
    lastFirst = LineFirstRow(FLines, z.Row);
    until = LineOffsetOf(FLines, lastFirst, z);
  }
  std::vector<TPending> found;
  TLineBatch batch(FLines);
  for (int row = first; row <= lastFirst && row < RowCount(); from = 0) {
    const int next = batch.Gather(row, lastFirst, kBatchBytes);
    m->Scan(batch.Views(), from, [&](size_t line, size_t b, size_t e) {
      const int para = batch.FirstRowOf(line);
      if (para == lastFirst && e > until) return false;
      found.push_back({para, batch.PosOf(line, b, false), batch.PosOf(line, e, true), b});
      return true;
    });
    if (next <= row) break;
    row = next;
  }
  res.Count = static_cast<int>(found.size());
  if (found.empty()) return res;

  const TEditScope scope(*this);
  const TPaintBatch paint(*this);
  HideCaret();
  ++FEditGroup;
  FSel.CollapseCharSel();
  FSel.ClearRowSel();
  FCaret = ByteToDisplayPos({found.front().S.Byte, found.front().S.Row});
  FSel.SetAnchorPos(FCaret);
  FSel.SetActivePos(FCaret);
  const bool batchEdit = FBatchEdit;
  FBatchEdit = true;
  for (size_t k = found.size(); k-- > 0;) {
    SpliceBytes(found[k].S, found[k].E, Replacement);
    if (k == 0 || found[k - 1].Para != found[k].Para) {
      FLineAttrs.GetAttr(found[k].Para).Dirty = true;
      RewrapRow(found[k].Para);
    }
  }
  FBatchEdit = batchEdit;
  // The caret goes to the start of the first replacement, wherever re-wrap
  // put its byte.
  int r = found.front().Para;
  size_t k = found.front().LineOff;
  while (r + 1 < RowCount() && !RowHasLineEnd(r) && k > FLines.View(r).size()) k -= FLines.View(r++).size();
  FCaret = ByteToDisplayPos({static_cast<int>(k), r});
  FSel.SetAnchorPos(FCaret);
  FSel.SetActivePos(FCaret);
  KeepSelInDocument();
  NotifySelChange();
  SetScrollBars(FScrollBars);
  ScrollToCaret();
  Paint();
  UpdateCaret();
  ShowCaret();
  return res;
}
