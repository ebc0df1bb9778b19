#include "AFEdit/input/LineBatch.h"

#include <algorithm>

#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/RegexSearch.h"

namespace {

bool EndsCr(std::string_view S) { return !S.empty() && S.back() == '\r'; }
std::string_view NoCr(std::string_view S) { return EndsCr(S) ? S.substr(0, S.size() - 1) : S; }

constexpr int kRowsPerVisit = 1024;

}  // namespace

int LineFirstRow(const TRowList& Rows, int Row) {
  while (Row > 0 && !EndsCr(Rows.View(Row - 1))) --Row;
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
      const bool ends = EndsCr(v) || r == n - 1;
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
