// Recovery copies of the main window's unsaved document (app/RecoveryFile.h
// has their bytes), so that text typed since the last save survives a
// crash, a power loss or a killed session.
//
// While the document is edited and unsaved, what changed is written once
// the user pauses (Pause after the last change) and at the latest Longest
// after the first change not yet written: the first time, and whenever the
// journal has grown, as a full copy; otherwise as an entry appended to the
// copy's journal (app/RecoveryJournal.h), which holds only the rows and
// records changed.  For a full copy the editor's thread only takes a
// snapshot of the row handles, in slices; a worker thread writes the bytes
// and replaces the copy atomically, so typing never waits for the disk.
// The copy and its journal are removed when the document equals its file again (saved, or
// another file opened or a new one made), when closing the window gives the
// changes up, and at a clean exit.
//
// Each window is an owner holding a lock file in the folder while it
// lives: a copy whose owner still runs belongs to another window and is
// left alone; a copy whose owner has gone (the program died) is offered
// when its file is opened, or, for a new document, when the program starts
// without a file.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>
#include <memory>
#include <string>

#include "AFEdit/document/RowList.h"
#include "app/RecoveryFile.h"
#include "app/RecoveryFolder.h"

class QWidget;
class TCustomAFEdit;
class TFileCommands;
class TFormUi;
class TRecoveryWorker;

// A document's path as copies name it: absolute, in the system's bytes;
// empty for none.
std::string LocalPath(const QString& Path);

// When copies are written.
struct TRecoveryTimes {
  int PauseMs = 1000;    // after the last change
  int LongestMs = 2000;  // after the first change not yet copied
  // A snapshot's slice takes SliceRows rows at a time for about SliceTime.
  int SliceRows = 8192;
  std::chrono::microseconds SliceTime{1000};
};

class TRecovery : public QObject {
public:
  using TTimes = TRecoveryTimes;

  TRecovery(QWidget& Window, TCustomAFEdit& Edit, TFileCommands& Commands, TFormUi& Ui,
            std::string Folder = RecoveryFolder(), TTimes Times = {});
  ~TRecovery() override;
  TRecovery(const TRecovery&) = delete;
  TRecovery& operator=(const TRecovery&) = delete;

  static const QString kRestoreQuestion;
  // What the user is told about a broken copy kept aside as Kept.
  static QString BrokenNotice(const QString& Kept);

  void SetTimes(TTimes Times) noexcept { FTimes = Times; }
  // The document changed: a copy becomes due.
  void Touched();
  // The document needs no copy any more: the copy this window wrote goes.
  void Discard();
  // Before Path is loaded: offers its copy when one is left by a program
  // that has gone.  True when the copy was restored in place of the file.
  bool Offer(const QString& Path);
  // At a start without a file: offers the copies of new documents left by
  // programs that have gone, all in one list when there are several.
  bool OfferNew();
  // Reads File and restores it into this window as the document Path
  // (empty: a new one); the copy becomes this window's.
  bool RestoreFile(const std::string& File, const QString& Path);
  // Makes another window for a further copy restored together with one in
  // this window; none when it returns nullptr.
  std::function<TRecovery*()> OnNewWindow;

  // Waits until the worker has done everything asked of it and the window
  // has seen the results (tests and measurements).
  void WaitIdle();
  // Writes a copy now when the document needs one, as the timer would.
  void WriteDue() { Due(); }
  const std::string& Folder() const noexcept { return FFolder; }
  const std::string& Owner() const noexcept { return FOwner; }
  // The file the current document's copy goes to.
  std::string CopyFile() const;
  // The longest the last snapshot held the editor's thread at a time.
  std::chrono::microseconds LastSnapshotTime() const noexcept { return FSnapshotTime; }

private:
  void Due();
  // True when the folder was refused; tells the user so the first time.
  bool FolderRefused();
  // A snapshot is taken in slices of rows, each holding the editor's
  // thread for a moment; a change between slices takes the rows from the
  // first changed one again.
  void StartSnapshot();
  void SnapshotSlice();
  void WriteSnapshot();
  void Written(const std::string& Error);
  void WriteFailed(const std::string& Error);
  // Takes in the rows changed since last asked.
  void Drain();
  // Appends what changed since the copy or the last entry to the journal.
  void WriteJournalEntry();
  bool JournalGrown() const noexcept;
  void Remove(const std::string& File);
  // A copy that may be offered: its file, when it was written, and the
  // start of its text.
  struct TFound {
    std::string File;
    int64_t MTimeNs;
    QString FirstLine;
  };
  // The good copies among Entries (newest first) of the document Path whose
  // windows have gone; broken ones are set aside and told together.
  std::vector<TFound> Gather(const std::vector<TFolderEntry>& Entries, const QString& Path);
  // Offers Found: one with a question, several as a list.
  bool OfferFound(const std::vector<TFound>& Found, const QString& Path);
  bool Restore(const std::string& File, const TRecoveryCopy& Copy, const QString& Path);
  // Removes a copy that is given up, and its journal.
  static void RemoveCopy(const std::string& File);
  // Where a broken copy was put aside.
  QString SetAside(const std::string& File);
  bool OwnerAlive(const std::string& Owner) const;
  void RemoveLeftovers();

  QWidget& FWindow;
  TCustomAFEdit& FEdit;
  TFileCommands& FCommands;
  TFormUi& FUi;
  std::string FFolder;
  TTimes FTimes;
  std::string FOwner;  // this window's name among the owners
  TFd FLock;           // the owner's lock, held while the window lives
  // Why the folder may not hold copies ("" when it may); told once.
  std::string FFolderFault;
  bool FFolderTold = false;
  int FNewNumber;      // names this window's new-document copies
  std::unique_ptr<TRecoveryWorker> FWorker;
  QTimer FTimer;
  bool FChanged = false;  // changes not yet in a copy
  std::chrono::steady_clock::time_point FFirstChange;
  // The snapshot being taken, the one being written, and one kept for its
  // room; all are released on this thread.
  std::unique_ptr<TRecoverySnapshot> FSnap;
  std::unique_ptr<TRecoverySnapshot> FInFlight;
  std::unique_ptr<TRecoverySnapshot> FSpare;
  QTimer FSliceTimer;     // the next slice, once waiting events are handled
  int FSnapRow = 0;       // the first row the snapshot has yet to take
  // The journal continues the last copy taken (FHaveBase): the document
  // as its last entry (or the copy) left it had FJournalRows rows and the
  // records FJournalRecords; FSinceJournal holds the rows changed since.
  bool FHaveBase = false;
  int FJournalRows = 0;
  std::vector<TRecoverySnapshot::TRecords> FJournalRecords;
  TPoint FJournalCaret{0, 0};
  TRowChanges FSinceJournal;
  uint64_t FBaseBytes = 0;     // the copy's size, about
  uint64_t FJournalBytes = 0;  // the journal's entries since
  // Which copy the entries continue; the worker appends an entry only to
  // the journal of the copy it was made for (FWorkerBase, its own).
  uint64_t FBase = 0;
  uint64_t FWorkerBase = 0;
  bool FDueAgain = false;   // a copy fell due while one was being written
  std::string FWritten;     // the copy this window wrote last, if any
  bool FErrorShown = false;
  std::chrono::microseconds FSnapshotTime{0};
};
