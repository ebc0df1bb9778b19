// The control's two scroll bars: their records (range, page, position),
// whether each is shown, and their actions turned into scroll requests.
#pragma once

#include <functional>

class QAbstractScrollArea;
class QScrollBar;

// Codes of scroll requests (VScrollRequest, HScrollRequest).
enum : int {
  sbLineUp = 0,  // also line left
  sbLineDown = 1,  // also line right
  sbPageUp = 2,
  sbPageDown = 3,
  sbThumbPosition = 4,
  sbThumbTrack = 5,
  sbTop = 6,
  sbBottom = 7,
  sbEndScroll = 8,
};
// Parts of a scroll record that a write sets.
enum : unsigned { sifRange = 1, sifPage = 2, sifPos = 4, sifTrackPos = 16, sifAll = 23 };
// What a scroll bar shows: Max is the last row (column) of the range, Page
// the rows (columns) in view; the thumb runs from Min to Max - Page + 1.
struct TScrollInfo {
  int Size = 28;
  unsigned Mask = 0;
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  int TrackPos = 0;
};
enum TScrollBarKind { sbHorizontal, sbVertical };

class TScrollBars {
public:
  // A request of a bar (sb* code; Pos the thumb's position), answered with
  // the position the view took.
  std::function<int(TScrollBarKind Bar, int Code, int Pos)> OnRequest;

  // Takes over the area's bars: a step, a page, a drag of the thumb and
  // its release become requests, and letting go of a bar, wherever it was
  // pressed, ends a burst of requests (sbEndScroll).
  void Attach(QAbstractScrollArea& Area);
  // Writes the parts of Info its mask names into a bar.
  void Apply(TScrollBarKind Bar, const TScrollInfo& Info);
  void Show(TScrollBarKind Bar, bool Show);
  // The position of a bar (and of its stored record); the bar itself only
  // when the style shows it (Styled).
  void SetPos(TScrollBarKind Bar, int Pos, bool Styled);
  // The record of a bar: read from the bar when the style shows it, else
  // the one last stored.
  TScrollInfo Record(TScrollBarKind Bar, bool Styled) const;
  // Shows a needed bar with its record (or hides it when the style has no
  // such bar); hides a bar that is no longer needed.
  void Refresh(TScrollBarKind Bar, bool Needed, const TScrollInfo& Info, bool Styled);
  bool Shown(TScrollBarKind Bar) const noexcept { return FShown[Bar]; }
  const TScrollInfo& Stored(TScrollBarKind Bar) const noexcept { return FInfo[Bar]; }

private:
  QScrollBar* Bar(TScrollBarKind Kind) const;
  void Connect(TScrollBarKind Kind);

  QAbstractScrollArea* FArea = nullptr;
  TScrollInfo FInfo[2];
  bool FShown[2] = {false, false};
  bool FInBarUpdate = false;  // the control itself moves a bar
};
