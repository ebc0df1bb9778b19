#include "AFEdit/platform/InputMethod.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPainter>

#include <algorithm>

#include "AFEdit/platform/Canvas.h"
#include "AFEdit/platform/Cp932.h"

namespace {

constexpr std::string_view kReplacement = "\x81\x45";  // ・

int Cells(const QString& S) {
  std::string bytes;
  QStringToCp932Replacing(S, bytes, kReplacement);
  return static_cast<int>(bytes.size());
}

}  // namespace

TImeInput TInputMethod::Read(const QInputMethodEvent& Event) {
  TImeInput in;
  const QString commit = Event.commitString();
  if (!commit.isEmpty()) {
    in.HasCommit = true;
    in.Replaced = QStringToCp932Replacing(commit, in.Commit, kReplacement) > 0;
  }
  FNextPreedit = Event.preeditString();
  // Without a cursor attribute the cursor stands at the preedit's start.
  FNextCursor = 0;
  for (const QInputMethodEvent::Attribute& a : Event.attributes())
    if (a.type == QInputMethodEvent::Cursor) FNextCursor = std::clamp(a.start, 0, int(FNextPreedit.size()));
  in.PreeditChanged = FNextPreedit != FPreedit || FNextCursor != FCursor;
  return in;
}

void TInputMethod::TakePreedit() {
  FPreedit = FNextPreedit;
  FCursor = FNextCursor;
  FPreeditCells = Cells(FPreedit);
  FCursorCells = Cells(FPreedit.left(FNextCursor));
}

TRect TInputMethod::PreeditRect(int CellWidth, int RowHeight) const {
  if (FPreedit.isEmpty()) return {};
  return {FAnchor.X, FAnchor.Y, FAnchor.X + FPreeditCells * CellWidth, FAnchor.Y + RowHeight};
}

void TInputMethod::DrawPreedit(QPainter& P, const TRect& R, const QFont& Font, const QColor& Back,
                               const QColor& Text, int CharHeight) const {
  if (FPreedit.isEmpty()) return;
  const QRect r = ToQRect(R);
  P.save();
  P.fillRect(r, Back);
  P.setFont(Font);
  P.setPen(Text);
  P.drawText(r, Qt::AlignLeft | Qt::AlignTop, FPreedit);
  P.drawLine(r.left(), r.top() + CharHeight - 1, r.right(), r.top() + CharHeight - 1);
  P.restore();
}

QVariant TInputMethod::Query(Qt::InputMethodQuery Query, const QRect& CaretRect, const QFont& Font) const {
  switch (Query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return CaretRect;
    case Qt::ImFont: return Font;
    default: return {};
  }
}

void TInputMethod::Update() {
  if (QInputMethod* im = QGuiApplication::inputMethod())
    im->update(Qt::ImCursorRectangle | Qt::ImFont | Qt::ImEnabled);
}

void TInputMethod::Reset() const {
  if (Composing())
    if (QInputMethod* im = QGuiApplication::inputMethod()) im->reset();
}
