// The main window's size and place: the first window holds 100 columns by
// 40 rows of the editor's text (at most 80 % of the screen); later ones
// come back where the last one was closed, maximised or not, on the same
// screen.
#pragma once

#include <QRect>
#include <QSize>

class QMainWindow;
class TCustomAFEdit;

constexpr int kFirstCols = 100;
constexpr int kFirstRows = 40;

// The window size that shows Cells of Cell pixels each beside Chrome
// pixels of everything else, no larger than 80 % of Screen.
QSize FirstWindowSize(QSize Cells, QSize Cell, QSize Chrome, QSize Screen);

// Sizes and places Window: the remembered geometry, else the first size in
// the middle of its screen.
void RestorePlacement(QMainWindow& Window, const TCustomAFEdit& Edit);
void SavePlacement(const QMainWindow& Window);
