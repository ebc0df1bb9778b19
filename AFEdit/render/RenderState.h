// Painting: the row being painted, the surface and its canvas, the fonts
// and the metrics measured from them, and the line-end glyphs.
#pragma once

#include <QImage>

#include <memory>
#include <string>
#include <vector>

#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/Search.h"
#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/Types.h"

// The row being painted: its display text D (indent as 0x01 bytes), the
// painted string P, the pending run and word, the column and byte index in
// progress, and the byte index of every painted column.  The steps of row
// painting take it as their context.
struct TRowPaint {
  std::string D;
  std::string P;
  std::string Run;
  std::string Word;
  std::vector<int> ColB;
  int Row = -1;
  int Indent = 0;
  TLineAttr Attr;
  int Y = 0;
  int Pos = 0;
  int B = 0;
  int FirstPos = 0;  // the first painted byte index: ColB[0]'s
};

struct TRenderState {
  TRowPaint FPaint;  // the buffers of the row in paint, kept from row to row

  // Metrics, fonts and glyphs (measured from the font)
  QImage FSurface;
  TCanvas FCanvas{&FSurface};
  TFont FFont;
  TFont FDependenceFont;
  TFont FKeywordFont;
  TFont FSelTextFont;
  int FCharHeight = 12;
  int FRowHeight = 0;  // 0 until the font is measured
  int FHalfWidth = 6;
  int FCellWidth = 6;
  std::vector<int> FCellAdvances;
  TRect FTextRect{40, 14, 200, 100};
  TColor FMarkColor = 0;
  QImage FCrSource;
  QImage FCrMark;
  QImage FCrMarkSel;
  struct TCrMarkKey {
    int Height = 0;
    TColor Mark = 0;
    TColor Back = 0;
    qreal Ratio = 1;
    friend bool operator==(const TCrMarkKey&, const TCrMarkKey&) = default;
  } FCrMarkKey;
  int FCrMarkBuilds = 0;
  bool FLoadingForm = false;

  // Find: the pattern whose matches in view are highlighted (empty: none)
  std::string FHighlightPattern;
  TFindOptions FHighlightOptions;
  std::unique_ptr<TLineMatcher> FHighlighter;
};
