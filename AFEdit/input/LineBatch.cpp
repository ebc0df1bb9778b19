#include "AFEdit/input/LineBatch.h"

#include <algorithm>

#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/RegexSearch.h"

namespace {

std::string_view NoCr(std::string_view S) { return EndsWithCr(S) ? S.substr(0, S.size() - 1) : S; }

constexpr int kRowsPerVisit = 1024;

}  // namespace

int SkipClearLines(const TRowList& Rows, const TLineMatcher& M, int First, int LastFirst) {
  constexpr size_t kStretch = 1 << 20;
  const int n = Rows.Count();
  int row = First;
  while (row < n && row <= LastFirst) {
    uintptr_t start = 0, end = 0, clearEnd = 0;
    int clearRow = row;  // the row after the last whole line of the stretch
    bool open = true, afterCr = false;
    Rows.ForEach(row, std::min(n, row + kRowsPerVisit), [&](int r, const TRowStr& s) {
      if (!open) return;
      const std::string_view v = s.view();
      const auto at = reinterpret_cast<uintptr_t>(v.data());
      if (r == row) {
        start = end = at;
      } else if (at < end || at - end > (afterCr ? 1u : 0u) || end - start > kStretch ||
                 (clearRow == r && r > LastFirst)) {
        open = false;
        return;
      }
      end = at + v.size();
      afterCr = EndsWithCr(v);
      if (afterCr || r == n - 1) {
        clearEnd = end;
        clearRow = r + 1;
      }
    });
    if (clearRow == row) return row;
    if (M.MayMatchIn(std::string_view(reinterpret_cast<const char*>(start), clearEnd - start))) return row;
    row = clearRow;
  }
  return row;
}

int LineFirstRow(const TRowList& Rows, int Row) {
  while (Row > 0 && !EndsWithCr(Rows.View(Row - 1))) --Row;
  return Row;
}

size_t LineOffsetOf(const TRowList& Rows, int First, TBytePos P) {
  size_t off = 0;
  for (int r = First; r < P.Row; ++r) off += NoCr(Rows.View(r)).size();
  const size_t len = P.Row < Rows.Count() ? NoCr(Rows.View(P.Row)).size() : 0;
  return off + std::min(static_cast<size_t>(std::max(0, P.Byte)), len);
}

int TLineBatch::Gather(int First, int LastFirst, size_t Budget) {
  FText.clear();
  FStarts.clear();
  FLines.clear();
  FViews.clear();
  const int n = FRows.Count();
  int row = First;
  bool open = false;  // a line is being joined
  TLine cur;
  while (row < n) {
    if (!open && (row > LastFirst || Full(Budget))) break;
    const int to = std::min(n, row + kRowsPerVisit);
    int stop = to;
    FRows.ForEach(row, to, [&](int r, const TRowStr& s) {
      if (r >= stop) return;
      const std::string_view v = s.view(), t = NoCr(v);
      const bool ends = EndsWithCr(v) || r == n - 1;
      if (!open) {
        if (r > LastFirst || Full(Budget)) {
          stop = r;
          return;
        }
        cur = TLine{};
        cur.FirstRow = r;
        if (ends) {
          cur.Data = t.data();
          cur.Len = t.size();
          FLines.push_back(cur);
          return;
        }
        open = true;
        cur.Own = true;
        cur.Off = FText.size();
        cur.StartsOff = FStarts.size();
      } else {
        FStarts.push_back(static_cast<uint32_t>(FText.size() - cur.Off));
      }
      FText.append(t);
      if (ends) {
        cur.Len = FText.size() - cur.Off;
        cur.StartsLen = FStarts.size() - cur.StartsOff;
        FLines.push_back(cur);
        open = false;
      }
    });
    row = stop;
    if (stop < to) break;
  }
  FViews.reserve(FLines.size());
  for (const TLine& l : FLines) {
    const char* d = l.Own ? FText.data() + l.Off : l.Data;
    FViews.push_back({std::string_view(d ? d : "", l.Len),
                      std::span<const uint32_t>(FStarts.data() + l.StartsOff, l.StartsLen)});
  }
  return row;
}

TBytePos TLineBatch::PosOf(size_t Line, size_t Off, bool AsEnd) const {
  const std::span<const uint32_t> s = FViews[Line].RowStarts;
  const auto it = AsEnd ? std::lower_bound(s.begin(), s.end(), Off) : std::upper_bound(s.begin(), s.end(), Off);
  const size_t k = static_cast<size_t>(it - s.begin());
  const size_t base = k == 0 ? 0 : s[k - 1];
  return {FLines[Line].FirstRow + static_cast<int>(k), static_cast<int>(Off - base)};
}

std::unique_ptr<TLineMatcher> MakeMatcher(std::string_view Pattern, const TFindOptions& Options, std::string& Error) {
  Error.clear();
  const TSearchFlags flags{Options.MatchCase, Options.WholeWord};
  if (Pattern.empty()) return nullptr;
  if (!Options.Regex) return std::make_unique<TByteSearch>(Pattern, flags);
  auto re = std::make_unique<TRegexSearch>(Cp932ToQString(Pattern), flags);
  if (!re->Valid()) {
    Error = re->Error();
    return nullptr;
  }
  return re;
}
