#include "app/Diagnostics.h"

#include <QApplication>
#include <QFile>
#include <QInputMethod>
#include <QTimer>
#include <QWindow>

#include <memory>

#include "AFEdit/AFEdit.h"
#include "app/Unit1.h"

namespace {

QByteArray Numbers(const QRect& R) {
  return QByteArray::number(R.x()) + ',' + QByteArray::number(R.y()) + ',' + QByteArray::number(R.width()) +
         ',' + QByteArray::number(R.height());
}

QByteArray StateLine(TAFEdit& E) {
  const QWidget* view = E.viewport();
  const TRect c = E.CaretRect();
  const QRect caret(view->mapToGlobal(QPoint(c.Left, c.Top)), QSize(c.Right - c.Left, c.Bottom - c.Top));
  QRect im;
  if (QWindow* w = QGuiApplication::focusWindow()) {
    im = QGuiApplication::inputMethod()->cursorRectangle().toRect();
    im.moveTopLeft(w->mapToGlobal(im.topLeft()));
  }
  const std::string text = E.Text();
  QByteArray line;
  line += "focus=" + QByteArray::number(E.hasFocus() ? 1 : 0);
  line += " dialog=" + QByteArray::number(QApplication::activeModalWidget() ? 1 : 0);
  line += " view=" + Numbers(QRect(view->mapToGlobal(QPoint(0, 0)), view->size()));
  line += " cell=" + QByteArray::number(E.CellWidth()) + ',' + QByteArray::number(E.CharHeight());
  line += " caret=" + QByteArray::number(E.Caret().X) + ',' + QByteArray::number(E.Caret().Y);
  line += " caretrect=" + Numbers(caret);
  line += " imrect=" + Numbers(im);
  line += " undo=" + QByteArray::number(E.UndoBuff().UndoItem() ? 1 : 0);
  line += " text=" + QByteArray(text.data(), static_cast<qsizetype>(text.size())).toHex();
  line += " preedit=" + E.Preedit().toUtf8().toHex();
  return line + '\n';
}

}  // namespace

void StartDiagnostics(TForm1& Form) {
  const QString path = qEnvironmentVariable("HOTARU_DIAG_FILE");
  if (path.isEmpty()) return;
  auto* timer = new QTimer(&Form);
  auto last = std::make_shared<QByteArray>();
  QObject::connect(timer, &QTimer::timeout, &Form, [&Form, path, last] {
    const QByteArray line = StateLine(*Form.AFEdit1);
    if (line == *last) return;
    *last = line;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) f.write(line);
  });
  timer->start(50);
}
