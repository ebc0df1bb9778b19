// Fuzz target: re-wrapping arbitrary rows.
//
// Input encoding (every byte past the end reads as 0):
//   byte 0   flags: bit 0 aoAutoFormat, bit 1 aoJpnBanBreak, bit 2 aoWordWrap,
//            bit 3 place the caret, bit 4 re-wrap chosen rows instead of all
//   byte 1   TabSize 1..8
//   byte 2   row count 1..12
//   per row  WrapPos (1..70), Indent (-4..12), then its text as
//            fuzz::RowText describes: any byte (0x00, 0x0B, 0x09, lead and
//            trail bytes, lone lead bytes at the end), CR only as a row's
//            last byte and never on the last row
//   caret    (with flag 3) row, column (0..the row's display width)
//   rows     (with flag 4) count 1..8, then one row byte per re-wrap;
//            without it, rows are re-wrapped in order, at most 64 of them
//
// After each RewrapRow: the invariants hold, the document's text is the
// same (re-wrapping moves row boundaries, never bytes), and the row count
// stays below the rows built + the byte count + 2.  With HOTARU_FUZZ_CARET=1 in the
// environment, a caret on a character boundary of the re-wrapped line must
// also keep its byte offset in the document.  HOTARU_FUZZ_TRACE=1 prints
// every re-wrap.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/Cp932.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzz;

namespace {

bool CaretCheckOn() {
  static const bool on = EnvFlag("HOTARU_FUZZ_CARET");
  return on;
}

// With HOTARU_FUZZ_TRACE=1, each re-wrap prints the rows, their records and
// the caret before and after it.
void Trace(TCustomAFEdit& E, const char* When) {
  if (!Tracing()) return;
  std::fprintf(stderr, "%s: caret row %d column %d\n", When, E.Caret().Y, E.Caret().X);
  for (int r = 0; r < E.RowCount(); ++r) {
    const TLineAttr a = E.LineAttrs().PeekAttr(r);
    std::string shown;
    for (unsigned char c : E.RowText(r).view()) {
      if (c >= 0x20 && c < 0x7F && c != '\\') {
        shown += static_cast<char>(c);
      } else {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        shown += buf;
      }
    }
    std::fprintf(stderr, "  %2d wrap %2d indent %3d \"%s\"\n", r, a.WrapPos, a.Indent, shown.c_str());
  }
}

// Byte offset in the document of display column Col of Row, or -1 when the
// column is not the start of a character (inside the indent, a tab's span
// or a two-byte character, after a line's CR or past the shown text).
long CaretOffset(TCustomAFEdit& E, TPoint P) {
  if (P.Y < 0 || P.Y >= E.RowCount()) return -1;
  long before = 0;
  for (int r = 0; r < P.Y; ++r) before += static_cast<long>(E.RowText(r).size());
  const std::string_view text = E.RowText(P.Y).view();
  // The shown text ends at the first zero byte.
  const std::string_view shown = text.substr(0, std::min(text.find('\0'), text.size()));
  const int indent = std::max<int>(0, E.LineAttrs().PeekAttr(P.Y).Indent);
  const int tab = std::max(1, E.TabSize());
  int col = indent;
  size_t b = 0;
  for (;;) {
    if (col == P.X) {
      const bool afterCr = b > 0 && shown[b - 1] == '\r';
      return afterCr ? -1 : before + static_cast<long>(b);
    }
    if (col > P.X || b >= shown.size()) return -1;
    const auto c = static_cast<unsigned char>(shown[b]);
    if (c == '\t') {
      col += tab - (col - indent) % tab;
      b += 1;
    } else if (IsLeadByte(c) && b + 1 < shown.size()) {
      col += 2;
      b += 2;
    } else {
      col += 1;
      b += 1;
    }
  }
}

void Run(TInput& In) {
  TAFEdit e;
  e.Clear();
  const uint8_t flags = In.Byte();
  TAFEditOptions o = e.Options() - TAFEditOptions{aoAutoFormat, aoJpnBanBreak, aoWordWrap};
  if (flags & 1) o += {aoAutoFormat};
  if (flags & 2) o += {aoJpnBanBreak};
  if (flags & 4) o += {aoWordWrap};
  e.SetOptions(o);
  e.SetTabSize(In.Int(1, 8));

  const int n = In.Int(1, 12);
  TLineAttr attr = e.LineAttrs().PeekAttr(0);
  e.BeginLoad();
  for (int r = 0; r < n; ++r) {
    attr.WrapPos = static_cast<int16_t>(In.Int(1, 70));
    attr.Indent = static_cast<int16_t>(In.Int(-4, 12));
    const std::string s = RowText(In, r + 1 < n);
    if (r == 0) {
      e.SetRowText(0, s, true);
      e.LineAttrs().SetAttr(0, attr);
    } else {
      e.AppendRow(s, attr);
    }
  }
  e.EndLoad();
  e.UndoBuff().Reset();
  Check(e, "building the rows");

  if (flags & 8) {
    const int r = In.Byte() % e.RowCount();
    const int width = static_cast<int>(e.RowDisplayText(r).size());
    e.SetCaretPos({In.Byte() % (width + 1), r});
  }

  const std::string text = e.Text();
  // Re-wrapping never makes an empty row but the last, so every row it adds
  // holds at least one byte.
  const long bound = e.RowCount() + static_cast<long>(text.size()) + 2;
  auto rewrap = [&](int row) {
    // The logical line re-wrapped: rows row.. up to its first row with CR.
    int lineEnd = row;
    while (lineEnd < e.RowCount() - 1 && !e.RowHasLineEnd(lineEnd)) ++lineEnd;
    const TPoint caret = e.Caret();
    const long offset =
        CaretCheckOn() && caret.Y >= row && caret.Y <= lineEnd ? CaretOffset(e, caret) : -1;

    Trace(e, ("before RewrapRow(" + std::to_string(row) + ")").c_str());
    e.RewrapRow(row);
    Trace(e, "after");
    Check(e, "RewrapRow");
    if (e.Text() != text) Fail("RewrapRow(" + std::to_string(row) + ") changed the text");
    if (e.RowCount() > bound)
      Fail("RewrapRow made " + std::to_string(e.RowCount()) + " rows of " + std::to_string(text.size()) + " bytes");
    if (offset >= 0 && CaretOffset(e, e.Caret()) != offset)
      Fail("RewrapRow(" + std::to_string(row) + ") moved the caret from byte " + std::to_string(offset) +
           " (row " + std::to_string(caret.Y) + ", column " + std::to_string(caret.X) + ") to row " +
           std::to_string(e.Caret().Y) + ", column " + std::to_string(e.Caret().X));
  };
  if (flags & 16) {
    for (int k = In.Int(1, 8); k > 0; --k) rewrap(In.Byte() % e.RowCount());
  } else {
    // Each call re-wraps the rest of its line and checks the whole store, so
    // a long line costs rows squared: the first rows stand for the others
    // and keep one input well inside the time-out.
    constexpr int kMaxRewraps = 64;
    for (int r = 0; r < e.RowCount() && r < 4 * bound && r < kMaxRewraps; ++r) rewrap(r);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitQt();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  InitQt();
  TInput in(Data, Size);
  Run(in);
  return 0;
}
