// The input method: the text being composed (the preedit) with the input
// method's cursor inside it, shown over the window surface at the caret;
// the committed text turned into CP932; and the answers the input method
// asks for (where the caret is, the font).
#pragma once

#include <QString>
#include <QVariant>
#include <Qt>

#include <string>

#include "AFEdit/platform/Types.h"

class QColor;
class QFont;
class QInputMethodEvent;
class QPainter;

// What one input method event brought.
struct TImeInput {
  bool HasCommit = false;
  std::string Commit;            // CP932; characters without a code became "・"
  bool Replaced = false;         // some characters were replaced
  bool PreeditChanged = false;   // the preedit or its cursor changed
};

class TInputMethod {
public:
  // Reads an event; its preedit waits until TakePreedit.
  TImeInput Read(const QInputMethodEvent& Event);
  // The preedit (and cursor) that Read found becomes the one shown.
  void TakePreedit();
  const QString& Preedit() const noexcept { return FPreedit; }
  bool Composing() const noexcept { return !FPreedit.isEmpty(); }
  // Where the preedit is shown and the input method's windows go: the
  // caret's client pixel.
  TPoint Anchor() const noexcept { return FAnchor; }
  void SetAnchor(TPoint P) noexcept { FAnchor = P; }
  // Cells the preedit takes, and the cells before its cursor (each CP932
  // byte one cell, as the text is drawn).
  int PreeditCells() const { return FPreeditCells; }
  int CursorCells() const { return FCursorCells; }
  TRect PreeditRect(int CellWidth, int RowHeight) const;
  // The preedit over the surface, underlined on the cells' last pixel row:
  // the input method's windows open just below the caret's rectangle (a
  // character high) and would hide a line under it.
  void DrawPreedit(QPainter& P, const TRect& R, const QFont& Font, const QColor& Back, const QColor& Text,
                   int CharHeight) const;
  // The answer to a query: the caret's rectangle (in the control's
  // coordinates, given), the font, enabled; an invalid value for any other.
  QVariant Query(Qt::InputMethodQuery Query, const QRect& CaretRect, const QFont& Font) const;
  // Tells the system's input method that the caret or the font moved.
  static void Update();
  // Ends the composition running in the system's input method.
  void Reset() const;

private:
  QString FPreedit;
  int FPreeditCells = 0;
  int FCursorCells = 0;
  int FCursor = 0;       // the cursor's index in the preedit
  QString FNextPreedit;  // read, not yet taken
  int FNextCursor = 0;
  TPoint FAnchor{0, 0};
};
