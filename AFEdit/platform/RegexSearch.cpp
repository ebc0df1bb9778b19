#include "AFEdit/platform/RegexSearch.h"

#include <algorithm>

#include "AFEdit/platform/Cp932.h"

namespace {

// Decodes a line row by row: each row is read from its own first byte.
void AppendLine(const TLineView& L, QString& Out) {
  size_t at = 0;
  for (uint32_t s : L.RowStarts) {
    AppendCp932Units(L.Text.substr(at, s - at), Out);
    at = s;
  }
  AppendCp932Units(L.Text.substr(at), Out);
}

// The byte offset of the line's character Units (a count from the start).
size_t ByteOfUnit(const TLineView& L, qsizetype Units) {
  const std::string_view t = L.Text;
  size_t i = 0, row = 0;
  size_t rowEnd = L.RowStarts.empty() ? t.size() : L.RowStarts[0];
  for (qsizetype k = 0; k < Units && i < t.size(); ++k) {
    while (i >= rowEnd && row < L.RowStarts.size()) rowEnd = ++row < L.RowStarts.size() ? L.RowStarts[row] : t.size();
    i += IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < rowEnd ? 2 : 1;
  }
  return i;
}

// The characters of the line before byte B (B on a character start).
qsizetype UnitsBefore(const TLineView& L, size_t B) {
  if (B == 0) return 0;
  QString s;
  AppendLine({L.Text.substr(0, B), L.RowStarts.subspan(0, static_cast<size_t>(
      std::lower_bound(L.RowStarts.begin(), L.RowStarts.end(), B) - L.RowStarts.begin()))}, s);
  return s.size();
}

}  // namespace

TRegexSearch::TRegexSearch(const QString& Pattern, TSearchFlags Flags) : FFlags(Flags) {
  QRegularExpression::PatternOptions o = QRegularExpression::MultilineOption;
  if (!Flags.MatchCase) o |= QRegularExpression::CaseInsensitiveOption;
  FRe.setPattern(Pattern);
  FRe.setPatternOptions(o);
  if (FRe.isValid()) FRe.optimize();
}

std::string TRegexSearch::Error() const {
  if (FRe.isValid()) return {};
  return QStringLiteral("正規表現が正しくありません（%1 文字目）：%2")
      .arg(FRe.patternErrorOffset() + 1)
      .arg(FRe.errorString())
      .toStdString();
}

bool TRegexSearch::Next(const TLineView& L, size_t From, size_t& B, size_t& E) {
  bool found = false;
  Scan({&L, 1}, From, [&](size_t, size_t b, size_t e) {
    B = b;
    E = e;
    found = true;
    return false;
  });
  return found;
}

TRegexSearch::TTake TRegexSearch::Accept(const TLineView& L, size_t Line, qsizetype Cs, qsizetype Ce,
                                         const TScanFn& F, qsizetype& Next) {
  Next = Cs + 1;
  if (Ce == Cs) return TTake::Skip;  // an empty match finds nothing to show
  const size_t b = ByteOfUnit(L, Cs), e = ByteOfUnit(L, Ce);
  if (FFlags.WholeWord && !IsWholeWordAt(L, b, e)) return TTake::Skip;
  Next = Ce;
  return F(Line, b, e) ? TTake::Take : TTake::Stop;
}

bool TRegexSearch::ScanLineAlone(const TLineView& L, size_t I, qsizetype Off, const TScanFn& F) {
  QString one;
  AppendLine(L, one);
  while (Off <= one.size()) {
    const QRegularExpressionMatch m = FRe.match(one, Off);
    if (!m.hasMatch()) return true;
    if (Accept(L, I, m.capturedStart(), m.capturedEnd(), F, Off) == TTake::Stop) return false;
  }
  return true;
}

void TRegexSearch::Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F) {
  if (!FRe.isValid() || Lines.empty()) return;
  size_t total = 0;
  for (const TLineView& l : Lines) total += l.Text.size() + 1;
  FText.resize(total);
  FStarts.clear();
  size_t at = 0;
  for (const TLineView& l : Lines) {
    FStarts.push_back(static_cast<qsizetype>(at));
    size_t from = 0;
    for (uint32_t s : l.RowStarts) {
      at += DecodeCp932Units(l.Text.substr(from, s - from), FText.data() + at);
      from = s;
    }
    at += DecodeCp932Units(l.Text.substr(from), FText.data() + at);
    FText[at++] = u'\n';
  }
  FStarts.push_back(static_cast<qsizetype>(at));
  // The buffer is read in place, never copied.
  const QString text = QString::fromRawData(reinterpret_cast<const QChar*>(FText.data()), static_cast<qsizetype>(at));
  qsizetype off = UnitsBefore(Lines[0], From);
  while (off < text.size()) {
    const QRegularExpressionMatch m = FRe.match(text, off);
    if (!m.hasMatch()) return;
    const qsizetype cs = m.capturedStart(), ce = m.capturedEnd();
    const size_t i = static_cast<size_t>(std::upper_bound(FStarts.begin(), FStarts.end(), cs) - FStarts.begin()) - 1;
    const qsizetype start = FStarts[i], end = FStarts[i + 1] - 1;  // end: the line feed
    if (ce > end || cs == end) {
      // Past the line (or only its line feed): the line alone decides.
      if (!ScanLineAlone(Lines[i], i, cs - start, F)) return;
      off = end + 1;
      continue;
    }
    qsizetype next = 0;
    const TTake t = Accept(Lines[i], i, cs - start, ce - start, F, next);
    if (t == TTake::Stop) return;
    off = start + next;
  }
}
