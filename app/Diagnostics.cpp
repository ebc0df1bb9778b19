#include "app/Diagnostics.h"

#include <QApplication>
#include <QFile>
#include <QInputMethod>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

#include <memory>

#include "AFEdit/AFEdit.h"
#include "app/StatusLine.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Zoom.h"

namespace {

QByteArray Numbers(const QRect& R) {
  return QByteArray::number(R.x()) + ',' + QByteArray::number(R.y()) + ',' + QByteArray::number(R.width()) +
         ',' + QByteArray::number(R.height());
}

QByteArray Pair(int A, int B) { return QByteArray::number(A) + ',' + QByteArray::number(B); }

// The document's bytes as hex while it is small, which is all the tests
// read; a larger document is given as "-", so that a look costs at most a
// bounded amount whatever the document's size.
constexpr int kTextRows = 4096;
constexpr size_t kTextBytes = size_t{256} << 10;

QByteArray TextField(const TAFEdit& E) {
  if (E.RowCount() > kTextRows) return "-";
  size_t bytes = 0;
  for (int r = 0; r < E.RowCount(); ++r)
    if ((bytes += E.RowText(r).size() + 1) > kTextBytes) return "-";
  const std::string text = E.Text();
  return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toHex();
}

QByteArray StateLine(TForm1& Form) {
  TAFEdit& E = *Form.AFEdit1;
  const QWidget* view = E.viewport();
  const TRect c = E.CaretRect();
  const QRect caret(view->mapToGlobal(QPoint(c.Left, c.Top)), QSize(c.Right - c.Left, c.Bottom - c.Top));
  QRect im;
  if (QWindow* w = QGuiApplication::focusWindow()) {
    im = QGuiApplication::inputMethod()->cursorRectangle().toRect();
    im.moveTopLeft(w->mapToGlobal(im.topLeft()));
  }
  QByteArray line;
  line += "focus=" + QByteArray::number(E.hasFocus() ? 1 : 0);
  line += " dialog=" + QByteArray::number(QApplication::activeModalWidget() ? 1 : 0);
  line += " view=" + Numbers(QRect(view->mapToGlobal(QPoint(0, 0)), view->size()));
  line += " cell=" + Pair(E.CellWidth(), E.CharHeight());
  const TRect a = E.TextRect();
  line += " area=" + Numbers(QRect(view->mapToGlobal(QPoint(a.Left, a.Top)), QSize(a.Width(), a.Height())));
  line += " rowh=" + QByteArray::number(E.RowHeight());
  line += " top=" + QByteArray::number(E.TopRow());
  line += " rows=" + QByteArray::number(E.RowCount());
  const TSelArea& s = E.Sel();
  line += " sel=" + Pair(s.FAnchorPos.X, s.FAnchorPos.Y) + ',' + Pair(s.FActivePos.X, s.FActivePos.Y);
  line += " rowsel=" + (s.HasRowSel() ? Pair(s.FAnchorRow, s.FActiveRow) : QByteArray("-1,-1"));
  QRect menu;
  if (QMenuBar* bar = Form.menuBar(); bar && !bar->actions().isEmpty()) {
    menu = bar->actionGeometry(bar->actions().front());
    menu.moveTopLeft(bar->mapToGlobal(menu.topLeft()));
  }
  line += " menu=" + Numbers(menu);
  line += " caret=" + QByteArray::number(E.Caret().X) + ',' + QByteArray::number(E.Caret().Y);
  line += " caretrect=" + Numbers(caret);
  line += " imrect=" + Numbers(im);
  line += " status=" + Form.StatusLine().Text().toUtf8().toHex();
  line += " font=" + QByteArray::number(FontPointsOf(E));
  line += " popup=" + QByteArray::number(QApplication::activePopupWidget() ? 1 : 0);
  const QWidget* modal = QApplication::activeModalWidget();
  line += " dialogtitle=" + (modal ? modal->windowTitle().toUtf8().toHex() : QByteArray());
  line += " help=" + QByteArray::number(Form.Form2 && Form.Form2->isVisible() ? 1 : 0);
  line += " undo=" + QByteArray::number(E.UndoBuff().UndoItem() ? 1 : 0);
  line += " text=" + TextField(E);
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
    const QByteArray line = StateLine(Form);
    if (line == *last) return;
    *last = line;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) f.write(line);
  });
  timer->start(50);
}
