// TLineAttr: the record kept for every display row.  Its fields are, in
// order, the on-disk row record of binary documents.  It is a plain value:
// a row's column attributes live beside it in the attribute list.
#pragma once

#include <cstdint>

#include "AFEdit/platform/Types.h"

struct TLineAttr {
  TColor TextColor = 0;
  TColor BackColor = 0;
  int16_t Indent = 0;
  int16_t Reserved = 0;
  int16_t WrapPos = 0;  // 0: not initialised yet
  TFontStyles FontStyle;
  bool Dirty = false;

  friend bool operator==(const TLineAttr&, const TLineAttr&) = default;
  bool SameFields(const TLineAttr& o) const noexcept { return *this == o; }
};

// Columns an indent keeps clear before its row's wrap column, whether set by
// a marker drag, the Tab key or tabs turned into indents at load.
inline constexpr int kMarkerGap = 8;

// Size of the on-disk record: the fields above and a 32-bit slot that once
// held the column list and is always written as zero.
constexpr int kLineAttrDiskSize = 20;
