// Scopes of the control: a paint batch (drawing shares one painter and the
// rectangles to show again go out in one request when the outermost batch
// closes) and an edit (a whole repaint asked for while it runs is drawn
// once, when the outermost edit ends).  Include AFEdit/AFEdit.h.
#pragma once

#include "AFEdit/AFEdit.h"

struct TCustomAFEdit::TPaintBatch {
  explicit TPaintBatch(TCustomAFEdit& E) : Edit(E) { Edit.BeginPaintBatch(); }
  ~TPaintBatch() { Edit.EndPaintBatch(); }
  TPaintBatch(const TPaintBatch&) = delete;
  TPaintBatch& operator=(const TPaintBatch&) = delete;
  TCustomAFEdit& Edit;
};

struct TCustomAFEdit::TEditScope {
  explicit TEditScope(TCustomAFEdit& E) : Edit(E) { ++Edit.FEditDepth; }
  ~TEditScope() {
    if (--Edit.FEditDepth > 0) return;
    Edit.FUndoBuff.SealRecent();
    Edit.EndOfEdit();
  }
  TEditScope(const TEditScope&) = delete;
  TEditScope& operator=(const TEditScope&) = delete;
  TCustomAFEdit& Edit;
};
