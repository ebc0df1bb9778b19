// The main window's edit commands: thin calls into the editor.  Cut and
// Copy give other programs the displayed form of the selection (one line
// per display row, indents and tabs as spaces); the editor's own keys give
// them the logical text.  Either way Paste puts back the exact bytes.
#pragma once

#include <QString>

class QDate;
class TCustomAFEdit;
class TFormUi;

class TEditCommands {
public:
  TEditCommands(TCustomAFEdit& Edit, const TFormUi& Ui) : FEdit(Edit), FUi(Ui) {}

  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void SelectAll();
  // Inserts today's date at the caret as if it had been typed.
  void PasteDate();

  // The date as Paste date writes it: four-digit year, two-digit month and
  // day, joined by '/'.
  static QString DateText(const QDate& Day);

private:
  TCustomAFEdit& FEdit;
  const TFormUi& FUi;
};
