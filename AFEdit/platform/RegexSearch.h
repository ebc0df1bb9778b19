// The regular-expression search: a Qt regular expression matched over lines
// decoded from CP932, its offsets mapped back to the lines' bytes.  Each
// character becomes one UTF-16 unit, so a match always starts and ends on a
// character and the mapping is a count of characters.
#pragma once

#include <QRegularExpression>
#include <QString>

#include <string>
#include <vector>

#include "AFEdit/document/Search.h"

class TRegexSearch : public TLineMatcher {
public:
  // Without MatchCase the expression ignores case as Qt's regular
  // expressions do.  WholeWord keeps the matches IsWholeWordAt accepts.
  TRegexSearch(const QString& Pattern, TSearchFlags Flags);
  bool Valid() const { return FRe.isValid(); }
  // Why the pattern does not compile, for the user (UTF-8); empty when it
  // does.
  std::string Error() const;
  bool Next(const TLineView& L, size_t From, size_t& B, size_t& E) override;
  // Decodes all the lines into one text (a line feed after each) and runs
  // the expression over it once; a match reaching past its line is looked
  // for again in its line alone.
  void Scan(std::span<const TLineView> Lines, size_t From, const TScanFn& F) override;

private:
  // What Accept decided about a match.
  enum class TTake { Skip, Take, Stop };
  TTake Accept(const TLineView& L, size_t Line, qsizetype Cs, qsizetype Ce, const TScanFn& F, qsizetype& Next);
  // Matches line I alone from unit Off; false when F stopped.
  bool ScanLineAlone(const TLineView& L, size_t I, qsizetype Off, const TScanFn& F);

  QRegularExpression FRe;
  TSearchFlags FFlags;
  std::vector<char16_t> FText;      // the decoded lines
  std::vector<qsizetype> FStarts;   // where each line's units begin, and the end
};
