// The help window: "Readme.txt" in a text box.
#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class TFormUi;

class TForm2 : public QWidget {
  Q_OBJECT

public:
  // Loads the help text; when it cannot be read, Ui shows the error and the
  // text box keeps its design text.
  explicit TForm2(TFormUi& Ui, QWidget* Parent = nullptr);

  // Where the help text is looked for, in order: the current directory,
  // the program's folder, the installed data folder.
  static QStringList ReadmePaths();

  QPlainTextEdit* Memo1 = nullptr;
};
