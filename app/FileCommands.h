// The main window's file commands: New, Open, Save, Save As, Binary open
// and Binary save, and the question asked before unsaved work is given up.
//
// The current file is the file last opened or saved together with its
// style (text or binary); Save writes to it in that style.  The window's
// caption shows its path ("HotaruLE" after New).  A failed command shows
// the error and leaves the document, the current file and the caption as
// they were.
#pragma once

#include <QString>

class QWidget;
class TCustomAFEdit;
class TFormUi;

class TFileCommands {
public:
  // Window: the window whose caption names the file; it owns the dialogs.
  TFileCommands(QWidget& Window, TCustomAFEdit& Edit, TFormUi& Ui);

  void New();
  void Open();
  void BinaryOpen();
  // These return whether the document was written.
  bool Save();
  bool SaveAs();
  bool BinarySave();
  // Loads Path in the style of Mode (0 or lmBinary) and makes it the
  // current file; on failure shows the error and returns false.
  bool OpenFile(const QString& Path, int Mode);
  // When the document is edited, asks whether to save it first.  True when
  // the caller may go on: the answer was No, or Yes and the save succeeded.
  bool QuerySave();

  const QString& FileName() const noexcept { return FFileName; }
  int FileMode() const noexcept { return FFileMode; }

  // The dialogs' common filter, description and pattern pairs.
  static const QString kFilter;
  static const QString kModifiedQuestion;

private:
  void OpenWithDialog(int Mode);
  bool SaveWithDialog(int Mode);
  bool SaveFile(const QString& Path, int Mode);
  void SetCurrentFile(const QString& Path, int Mode);
  // Runs a control operation on a file; shows a failure and returns false.
  template <class F>
  bool FileOperation(F&& Operation);

  QWidget& FWindow;
  TCustomAFEdit& FEdit;
  TFormUi& FUi;
  QString FFileName;       // empty while the document has no file
  int FFileMode = 0;       // the current file's style
  QString FOpenDialogName; // the name each dialog remembers from its last use
  QString FSaveDialogName;
};
