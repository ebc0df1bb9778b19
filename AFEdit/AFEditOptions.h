// The control's option sets and named codes: editing and view options, the
// scroll-bar style, the load and save modes, and the codes of attribute
// operations and painted runs.
#pragma once

#include "AFEdit/platform/Types.h"

enum TAFEditOption {
  aoFreeCaret,
  aoAutoIndent,
  aoAutoJpnIndent,
  aoAutoFormat,
  aoWordWrap,
  aoJpnBanBreak
};
using TAFEditOptions = TSet<TAFEditOption>;

enum TViewOption {
  voDependence,
  voHankana,
  voCr,
  voAnsiSpace,
  voTab,
  voIndent,
  voColIndicate,
  voKeyWord,
  voRowNum,
  voWrapLine,
  voFoldMark
};
using TViewOptions = TSet<TViewOption>;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Mode flags of loading and saving.  With lmBinary every other flag is
// ignored.
enum : int {
  lmBinary = 1,          // the binary style: rows as held, with their records
  lmExpandTabs = 2,      // tabs become spaces (load and save)
  lmTabsToIndent = 4,    // load: leading tabs become the row's Indent
  lmIndentAsTabs = 8,    // save: a row's Indent is written as tabs
  lmIndentAsSpaces = 16, // save: a row's Indent is written as spaces
  lmRowsAsLines = 32,    // save: every row, wrapped ones included, is a line
};

// Operations of ColAttrEdit (and of BlocksEdited: insert and delete).
enum : int { caInsert = 0, caAppend = 1, caDelete = 2 };
// Directions of ColAttrsMove and BlocksMove: the last bytes of a row go to
// the start of the next row, or the first bytes of a row to the end of the
// row before it.
enum : int { amToNextRow = 0, amToPrevRow = 1 };
// Row changes that BlocksRowChanged follows.
enum : int { brInserted = 0, brDeleted = 2, brReplaced = 3 };
// Colour kinds of the runs of a painted row.
enum : int {
  rkNormal = 0,
  rkMark = 1,       // tab, indent and full-width-space marks
  rkLineEnd = 2,    // fold and end-of-file marks
  rkRowStart = 3,   // the row's background
  rkDependence = 4, // machine-dependent characters, half-width katakana
  rkKeyword = 5,
  rkColAttr = 7,    // bytes with an active column attribute
};
enum TLineEndMark { leFold, leLineEnd, leEof };
