// The system caret and the rows a change left to repaint.
#include "AFEdit/AFEdit.h"

void TCustomAFEdit::CreateCaret(int Width, int Height) {
  FCaretWidth = Width;
  FCaretHeight = Height;
}

void TCustomAFEdit::HideCaret() { ++FCaretHideCount; }

void TCustomAFEdit::ShowCaret() {
  if (FCaretHideCount > 0) --FCaretHideCount;
}

void TCustomAFEdit::UpdateCaret() {}

void TCustomAFEdit::RepaintDirtyRows() {}
