// The find and replace dialog: not modal, so typing goes on in the document
// while it is open.  It only holds the fields; TFindCommands runs them.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFindDialog : public QDialog {
  Q_OBJECT

public:
  explicit TFindDialog(QWidget* Parent);
  // Find alone, or with the replacement and the replace buttons.
  void SetReplaceMode(bool Replace);
  bool ReplaceMode() const noexcept { return FReplaceMode; }
  // A line under the fields: what the last command found or why not.
  void SetStatus(const QString& Text);
  QString Status() const;

  QLineEdit* Pattern = nullptr;
  QLineEdit* Replacement = nullptr;
  QCheckBox* MatchCase = nullptr;
  QCheckBox* WholeWord = nullptr;
  QCheckBox* Regex = nullptr;
  QCheckBox* WrapAround = nullptr;
  QCheckBox* InSelection = nullptr;
  QPushButton* FindNextButton = nullptr;
  QPushButton* FindPrevButton = nullptr;
  QPushButton* ReplaceButton = nullptr;
  QPushButton* ReplaceAllButton = nullptr;
  QPushButton* CloseButton = nullptr;

private:
  QLabel* FReplaceLabel = nullptr;
  QLabel* FStatus = nullptr;
  bool FReplaceMode = false;
};
