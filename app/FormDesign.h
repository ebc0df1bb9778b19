// Values the windows' designs share.
#pragma once

#include <QFont>
#include <QIcon>

// The windows' font: "ＭＳ Ｐゴシック" with 12-pixel text (the name is
// mapped to a font present on the system at start-up).
inline QFont FormFont() {
  QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
  f.setPixelSize(12);
  return f;
}

// A design's window size includes a frame 4 pixels wide and a caption 19
// pixels high; Qt sizes the client area.
inline int ClientWidthOf(int DesignWidth) { return DesignWidth - 2 * 4; }
inline int ClientHeightOf(int DesignHeight) { return DesignHeight - 19 - 2 * 4; }

// The program's icon (resources/hotaru.png).
QIcon HotaruIcon();
