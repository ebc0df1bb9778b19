#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>

#include "AFEdit/AFEdit.h"
#include "app/Settings.h"

QSize FirstWindowSize(QSize Cells, QSize Cell, QSize Chrome, QSize Screen) {
  const QSize want(Chrome.width() + Cells.width() * Cell.width(), Chrome.height() + Cells.height() * Cell.height());
  if (Screen.isEmpty()) return want;
  return want.boundedTo(QSize(Screen.width() * 4 / 5, Screen.height() * 4 / 5));
}

namespace {

// Everything of the window around the editor's text area: the menu bar, the
// strip and the status line above and below it, the editor's frame, scroll
// bars, row-number margin and column ruler.
QSize ChromeOf(const QMainWindow& Window, const TCustomAFEdit& Edit) {
  const int frame = 2 * Edit.frameWidth();
  const int bar = Window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &Edit);
  const int above = Window.menuBar()->sizeHint().height() + 1;
  const int below = Window.statusBar()->sizeHint().height();
  return {frame + bar + Edit.TextRect().Left, above + below + frame + bar + Edit.TextRect().Top};
}

}  // namespace

void RestorePlacement(QMainWindow& Window, const TCustomAFEdit& Edit) {
  const QByteArray saved = THotaruSettings().value(SettingKeys::kGeometry).toByteArray();
  if (!saved.isEmpty() && Window.restoreGeometry(saved)) return;
  const QScreen* screen = Window.screen() ? Window.screen() : QGuiApplication::primaryScreen();
  const QRect avail = screen ? screen->availableGeometry() : QRect();
  const QSize size = FirstWindowSize({kFirstCols, kFirstRows}, {Edit.CellWidth(), Edit.RowHeight()},
                                     ChromeOf(Window, Edit), avail.size());
  Window.resize(size);
  if (!avail.isEmpty()) Window.move(avail.center() - QPoint(size.width() / 2, size.height() / 2));
}

void SavePlacement(const QMainWindow& Window) { THotaruSettings().setValue(SettingKeys::kGeometry, Window.saveGeometry()); }
