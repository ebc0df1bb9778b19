// The main window's file commands: New, Open, Save, Save As, Binary open
// and Binary save, and the question asked before unsaved work is given up.
//
// The current file is the file last opened or saved together with its
// style (text or binary); Save writes to it in that style.  The window's
// caption shows its name (app/Caption.h; "HotaruLE" after New).  A failed command shows
// the error and leaves the document, the current file and the caption as
// they were.
//
// Save over the current file first makes sure nothing is lost unasked: when
// another program has changed the file since it was loaded or saved, or
// when loading stopped at a zero byte and left the rest of the file unread,
// the user is asked before it is overwritten.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

#include "AFEdit/platform/PosixFile.h"
#include "app/FormUi.h"

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
  const TFileIdentity& Identity() const noexcept { return FIdentity; }
  int64_t CutAt() const noexcept { return FCutAt; }
  // Makes Path (empty: none) the current file without loading it: the
  // document holds that file's text with changes made elsewhere.
  void Adopt(const QString& Path, int Mode, const TFileIdentity& Identity, int64_t CutAt);

  // Recovery hooks (app/Recovery.h).  OnOpening runs before a file is
  // loaded; when it returns true, it has put the document in place itself.
  // OnSettled runs when the document has become its file's text again, or
  // a new empty one.
  std::function<bool(const QString& Path)> OnOpening;
  std::function<void()> OnSettled;
  // Runs when the current file changed: opened, saved under a name, or
  // none after New.
  std::function<void()> OnCurrentFile;

  // The dialogs' common filter, description and pattern pairs.
  static const QString kFilter;
  static const QString kModifiedQuestion;
  static const QString kChangedOnDiskQuestion;
  static const QString kCutFileQuestion;
  // What Open tells about a text file that seems to be written in UTF-8.
  static const QString kUtf8Notice;
  // Asked before the first text-style save of a document with layout only
  // the binary style keeps, and what follows a No.
  static const QString kLayoutQuestion;
  static const QString kLayoutNotice;
  // What Open tells when loading stopped at the zero byte at Offset.
  static QString ZeroByteNotice(const QString& Path, int64_t Offset);

private:
  void OpenWithDialog(int Mode);
  bool SaveWithDialog(int Mode);
  bool SaveFile(const QString& Path, int Mode);
  void SetCurrentFile(const QString& Path, int Mode);
  // Asks before a save over the current file would lose what the document
  // does not hold; true when the save may go on.
  bool MayOverwrite(const QString& Path);
  // Asks before a text-style save drops the document's layout; true when
  // the save may go on.
  bool MayDropLayout(int Mode);
  // Where a file dialog starts: the current file, else the folder last
  // chosen in one.
  TFileDialogSpec DialogFor(const QString& Title, const QString& DefaultExt) const;
  void ChoseInDialog(const QString& Path);
  // Runs a control operation on a file; shows a failure and returns false.
  template <class F>
  bool FileOperation(F&& Operation);

  QWidget& FWindow;
  TCustomAFEdit& FEdit;
  TFormUi& FUi;
  QString FFileName;       // empty while the document has no file
  int FFileMode = 0;       // the current file's style
  TFileIdentity FIdentity; // the current file as last loaded or saved
  int64_t FCutAt = -1;     // where its loading stopped at a zero byte, or -1
  bool FLayoutDropAgreed = false;  // the user agreed to save this document's text only
};
