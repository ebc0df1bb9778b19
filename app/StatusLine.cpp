#include "app/StatusLine.h"

#include <QLabel>
#include <QStatusBar>

#include <algorithm>

#include "AFEdit/AFEdit.h"

QStringList StatusFields(const TStatusInfo& S) {
  QString sel;
  if (S.SelRows > 0)
    sel = QStringLiteral("選択 %1 行").arg(S.SelRows);
  else if (S.SelBytes > 0)
    sel = QStringLiteral("選択 %1 バイト").arg(S.SelBytes);
  return {QStringLiteral("行 %1、桁 %2").arg(S.Line).arg(S.Column),
          sel,
          S.Insert ? QStringLiteral("挿入") : QStringLiteral("上書"),
          QStringLiteral("CRLF"),
          QStringLiteral("Shift_JIS"),
          S.Edited ? QStringLiteral("変更あり") : QString()};
}

TStatusInfo StatusOf(TCustomAFEdit& Edit) {
  TStatusInfo s;
  const TRowPlace caret = Edit.PosPlace(Edit.Caret());
  s.Line = caret.Line + 1;
  s.Column = caret.LineOffset + 1;
  const TSelArea& sel = Edit.Sel();
  if (sel.HasRowSel()) {
    s.SelRows = sel.LastSelRow() - sel.FirstSelRow() + 1;
  } else if (sel.HasCharSel()) {
    const TRowPlace a = Edit.PosPlace(sel.FAnchorPos);
    const TRowPlace b = Edit.PosPlace(sel.FActivePos);
    // Each line end is saved as two bytes, and stored as one.
    s.SelBytes = std::abs((b.Offset + b.Line) - (a.Offset + a.Line));
  }
  s.Insert = Edit.InsertMode();
  s.Edited = Edit.Edited();
  return s;
}

TStatusLine::TStatusLine(QStatusBar& Bar, TCustomAFEdit& Edit) : QObject(&Bar), FEdit(Edit) {
  FPending.setSingleShot(true);
  FPending.setInterval(0);
  connect(&FPending, &QTimer::timeout, this, &TStatusLine::Refresh);
  // The position takes the free room; the others are as wide as their text.
  for (int i = 0; i < 6; ++i) {
    auto* label = new QLabel(&Bar);
    label->setObjectName(QStringLiteral("Status%1").arg(i));
    if (i == 0) {
      label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("行 0000000、桁 00000")));
      Bar.addWidget(label, 1);
    } else {
      Bar.addPermanentWidget(label);
    }
    FLabels << label;
  }
  Refresh();
}

void TStatusLine::Schedule() {
  if (!FPending.isActive()) FPending.start();
}

void TStatusLine::Refresh() {
  FPending.stop();
  const TStatusInfo info = StatusOf(FEdit);
  const QStringList fields = StatusFields(info);
  for (qsizetype i = 0; i < FLabels.size(); ++i) {
    QLabel* label = FLabels[i];
    if (label->text() != fields[i]) label->setText(fields[i]);
    label->setVisible(!fields[i].isEmpty());
  }
  if (OnEdited) OnEdited(info.Edited);
}

QString TStatusLine::Text() const {
  QStringList shown;
  for (const QLabel* label : FLabels)
    if (!label->text().isEmpty()) shown << label->text();
  return shown.join(QStringLiteral(" | "));
}
