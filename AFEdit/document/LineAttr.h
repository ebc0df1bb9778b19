// TLineAttr: the record kept for every display row.  Its first 16 bytes are,
// field for field, the on-disk row record of binary documents; the column
// attribute list follows.
#pragma once

#include <cstdint>

#include "AFEdit/platform/Types.h"

class TColAttrList;

struct TLineAttr {
  TColor TextColor = 0;
  TColor BackColor = 0;
  int16_t Indent = 0;
  int16_t Reserved = 0;
  int16_t WrapPos = 0;  // 0: not initialised yet
  TFontStyles FontStyle;
  bool Dirty = false;
  TColAttrList* ColAttrs = nullptr;  // owned by the list that holds the record

  // Compares every field but the column list.
  bool SameFields(const TLineAttr& o) const noexcept {
    return TextColor == o.TextColor && BackColor == o.BackColor && Indent == o.Indent &&
           Reserved == o.Reserved && WrapPos == o.WrapPos && FontStyle == o.FontStyle &&
           Dirty == o.Dirty;
  }
};

// Size of the on-disk record: the fields above and a 32-bit column list slot.
constexpr int kLineAttrDiskSize = 20;
