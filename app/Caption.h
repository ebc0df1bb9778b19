// The main window's caption: 「name – HotaruLE」 for a file, with Qt's
// edited placeholder before the name (shown as 「*」 while the window is
// marked modified) and the full path as the window's file path, which the
// desktop shows.
#pragma once

#include <QString>

class QWidget;

// The caption of a window showing Path; Untitled stands for no file.
QString CaptionFor(const QString& Path, const QString& Untitled);
void ShowFileCaption(QWidget& Window, const QString& Path, const QString& Untitled = QStringLiteral("HotaruLE"));
