// Writing a window's recovery copy and its journal: when they fall due,
// the snapshot taken in slices, and the entries appended in between.
#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <new>

#include "AFEdit/AFEdit.h"
#include "AFEdit/platform/FileError.h"
#include "app/FileCommands.h"
#include "app/FormUi.h"
#include "app/Recovery.h"
#include "app/RecoveryJournal.h"
#include "app/RecoveryWorker.h"

namespace {

std::string BaseName(const std::string& File) { return File.substr(File.rfind('/') + 1); }

// A journal this long (and at least an eighth of the copy) makes the next
// copy a full one again.
constexpr uint64_t kJournalLimit = uint64_t{1} << 20;

std::vector<TRecoverySnapshot::TRecords> RecordsOf(TCustomAFEdit& E) {
  TRecoverySnapshot s;
  SnapshotRecords(E, s);
  return std::move(s.Records);
}

}  // namespace

void TRecovery::Touched() {
  Drain();
  const auto now = std::chrono::steady_clock::now();
  if (!FChanged) {
    FChanged = true;
    FFirstChange = now;
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      FFirstChange + std::chrono::milliseconds(FTimes.LongestMs) - now);
  FTimer.start(static_cast<int>(std::clamp<long long>(left.count(), 0, FTimes.PauseMs)));
}

void TRecovery::Drain() {
  const TRowChanges c = FEdit.TakeRowChanges();
  if (c.Empty()) return;
  FSinceJournal.Merge(c);
  // Rows the snapshot took from the first changed one on may be out of
  // date: they are taken again.
  if (FSnap && c.First < FSnapRow) {
    FSnapRow = std::max(c.First, 0);
    FSnap->Rows.resize(static_cast<size_t>(FSnapRow));
  }
}

bool TRecovery::JournalGrown() const noexcept {
  return FJournalBytes > std::max(kJournalLimit, FBaseBytes / 8);
}

void TRecovery::Due() {
  FTimer.stop();
  if (FolderRefused()) {
    FChanged = false;
    return;
  }
  if (FSnap) return;  // the snapshot under way will hold every change
  if (!FEdit.Edited()) {
    FChanged = false;
    Discard();
    return;
  }
  // Entries continue the copy being written as well: the worker writes
  // them after it.
  if (FHaveBase && !JournalGrown() && FWritten == CopyFile()) {
    FChanged = false;
    WriteJournalEntry();
    return;
  }
  if (FInFlight) {  // one full copy at a time
    FDueAgain = true;
    return;
  }
  FChanged = false;
  FSnap = FSpare ? std::move(FSpare) : std::make_unique<TRecoverySnapshot>();
  StartSnapshot();
}

void TRecovery::StartSnapshot() {
  FSnap->Clear();
  FSnap->Info = {FOwner,
                 LocalPath(FCommands.FileName()),
                 FCommands.FileMode(),
                 FCommands.Identity(),
                 FCommands.CutAt(),
                 FEdit.Caret()};
  FSnapRow = 0;
  FSnapshotTime = {};
  SnapshotSlice();
}

void TRecovery::SnapshotSlice() {
  if (!FSnap) return;  // given up since
  Drain();
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const int rows = FEdit.RowCount();
  do {
    const int to = FSnapRow + std::min(rows - FSnapRow, std::max(FTimes.SliceRows, 1));
    SnapshotRows(FEdit, FSnapRow, to, *FSnap);
    FSnapRow = to;
  } while (FSnapRow < rows && Clock::now() - start < FTimes.SliceTime);
  if (FSnapRow == rows) SnapshotRecords(FEdit, *FSnap);
  FSnapshotTime = std::max(FSnapshotTime, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start));
  if (FSnapRow < rows) {
    FSliceTimer.start();
    return;
  }
  // The snapshot is the document as it is now: the journal goes on from it.
  FSnap->Info.Caret = FEdit.Caret();
  FHaveBase = true;
  FJournalRows = rows;
  FJournalRecords = FSnap->Records;
  FJournalCaret = FSnap->Info.Caret;
  FSinceJournal = {};
  FJournalBytes = 0;
  FBaseBytes = 0;
  for (const TRecoverySnapshot::TRow& r : FSnap->Rows) FBaseBytes += r.Size + 1;
  ++FBase;
  WriteSnapshot();
}

void TRecovery::WriteSnapshot() {
  FInFlight = std::move(FSnap);
  const std::string file = CopyFile();
  if (!FWritten.empty() && FWritten != file) Remove(FWritten);
  FWritten = file;
  const TRecoverySnapshot* snapshot = FInFlight.get();
  const std::string tempSuffix = ".tmp-" + FOwner;
  FWorker->Post([this, snapshot, file, base = FBase, tempSuffix] {
    QString error;
    FWorkerBase = 0;
    try {
      const std::string header = WriteRecoveryCopy(file, BaseName(file) + tempSuffix, *snapshot);
      const std::string journal = JournalNameOf(file);
      CreateJournal(journal, BaseName(journal) + tempSuffix, header);
      FWorkerBase = base;
    } catch (const EFileError& e) {
      error = FileErrorText(e);
    } catch (const std::bad_alloc&) {
      error = QStringLiteral("メモリーが足りません");
    }
    QMetaObject::invokeMethod(this, [this, error] { Written(error.toStdString()); }, Qt::QueuedConnection);
  });
}

void TRecovery::WriteJournalEntry() {
  Drain();
  const int rows = FEdit.RowCount();
  TJournalEntry entry;
  entry.First = FJournalRows;
  if (!FSinceJournal.Empty()) {
    const int first = std::clamp(FSinceJournal.First, 0, std::min(FJournalRows, rows));
    const int tail = std::clamp(FSinceJournal.KeptTail, 0, std::min(FJournalRows, rows) - first);
    entry.First = first;
    entry.Removed = FJournalRows - first - tail;
    for (int r = first; r < rows - tail; ++r) entry.Rows.push_back(FEdit.RowText(r).str());
  }
  std::vector<TRecoverySnapshot::TRecords> records = RecordsOf(FEdit);
  DiffRecords(FJournalRecords, records, entry);
  entry.Caret = FEdit.Caret();
  if (entry.Removed == 0 && entry.Rows.empty() && entry.RecordsRemoved == 0 && entry.Records.empty() &&
      entry.Caret == FJournalCaret)
    return;
  std::string bytes = EncodeJournalEntry(entry);
  FJournalBytes += bytes.size();
  FJournalRows = rows;
  FJournalRecords = std::move(records);
  FJournalCaret = entry.Caret;
  FSinceJournal = {};
  FWorker->Post([this, base = FBase, file = JournalNameOf(FWritten), bytes = std::move(bytes)] {
    if (base != FWorkerBase) return;  // its copy could not be written
    QString error;
    try {
      AppendJournal(file, bytes);
    } catch (const EFileError& e) {
      error = FileErrorText(e);
    }
    if (!error.isEmpty())
      QMetaObject::invokeMethod(this, [this, error] { WriteFailed(error.toStdString()); }, Qt::QueuedConnection);
  });
}

void TRecovery::Written(const std::string& Error) {
  FInFlight->Clear();
  FSpare = std::move(FInFlight);
  if (!Error.empty()) WriteFailed(Error);
  if (std::exchange(FDueAgain, false)) Due();
}

void TRecovery::WriteFailed(const std::string& Error) {
  FHaveBase = false;  // the next copy is a full one
  if (FErrorShown) return;
  // Once: the next copies are tried all the same.
  FErrorShown = true;
  FUi.ShowNotice(&FWindow, QStringLiteral("保存されていない変更の回復用コピーを書き込めませんでした。") +
                                QString::fromStdString(Error));
}

void TRecovery::Discard() {
  FTimer.stop();
  FChanged = false;
  FDueAgain = false;
  FSliceTimer.stop();
  FSnap.reset();
  if (!FInFlight) FSpare.reset();
  FHaveBase = false;
  FEdit.TakeRowChanges();
  FSinceJournal = {};
  if (!FWritten.empty()) Remove(std::exchange(FWritten, {}));
}

void TRecovery::Remove(const std::string& File) {
  // After any write still queued for the same file.
  FWorker->Post([File] {
    ::unlink(File.c_str());
    ::unlink(JournalNameOf(File).c_str());
  });
}

void TRecovery::WaitIdle() {
  for (;;) {
    while (FSnap) SnapshotSlice();
    FWorker->WaitIdle();
    QCoreApplication::sendPostedEvents(this);
    if (!FInFlight && !FSnap) return;
  }
}
