#include "app/Recovery.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <functional>
#include <istream>
#include <mutex>
#include <new>
#include <thread>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/Cp932.h"
#include "AFEdit/platform/FileError.h"
#include "app/FileCommands.h"
#include "app/FormUi.h"
#include "app/RecoveryFolder.h"
#include "app/RecoveryJournal.h"
#include "app/RecoveryWorker.h"

namespace {

// Reads a string in place as a stream.
class TViewBuf : public std::streambuf {
public:
  explicit TViewBuf(std::string& S) { setg(S.data(), S.data(), S.data() + S.size()); }
};


std::string BaseName(const std::string& File) { return File.substr(File.rfind('/') + 1); }

// The start of a copy's document for a list: its first line, shortened.
QString FirstLineOf(const std::string& Document) {
  std::string line;
  for (size_t i = kBinaryHeaderSize; i < Document.size() && line.size() < 120; ++i) {
    const char c = Document[i];
    if (c == '\r') break;
    if (c != '\n') line += c;
  }
  const QString text = Cp932ToQString(line);
  return text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
}

// Keeps focus-in events from a widget while it lives.
class TFocusInHeld : public QObject {
public:
  explicit TFocusInHeld(QWidget& W) : FWidget(W) { FWidget.installEventFilter(this); }
  ~TFocusInHeld() override { FWidget.removeEventFilter(this); }
  TFocusInHeld(const TFocusInHeld&) = delete;
  TFocusInHeld& operator=(const TFocusInHeld&) = delete;
  bool eventFilter(QObject*, QEvent* Event) override { return Event->type() == QEvent::FocusIn; }

private:
  QWidget& FWidget;
};

// Where a copy's caret may stand in the restored document: on a row, at
// or after its indent, not past its end (before its CR), and never inside
// a two-byte character, as the caret keys would leave it.
TPoint RestoredCaret(TCustomAFEdit& E, TPoint Caret) {
  TPoint p{0, std::clamp(Caret.Y, 0, std::max(E.RowCount() - 1, 0))};
  const int end = std::max(E.RowDisplayWidth(p.Y) - (E.RowHasLineEnd(p.Y) ? 1 : 0), 0);
  p.X = std::clamp(Caret.X, std::min(std::max(E.RowIndent(p.Y), 0), end), end);
  return E.SnapToChar(p, true);
}

}  // namespace

std::string LocalPath(const QString& Path) {
  return Path.isEmpty() ? std::string() : QFile::encodeName(QFileInfo(Path).absoluteFilePath()).toStdString();
}

const QString TRecovery::kRestoreQuestion = QStringLiteral("保存されていない変更が見つかりました。復元しますか？");

QString TRecovery::BrokenNotice(const QString& Kept) {
  return QStringLiteral("保存されていない変更の回復用コピーが壊れていたため、復元しませんでした。"
                        "コピーは「%1」に残してあります。")
      .arg(Kept);
}

TRecovery::TRecovery(QWidget& Window, TCustomAFEdit& Edit, TFileCommands& Commands, TFormUi& Ui,
                     std::string Folder, TTimes Times)
    : FWindow(Window), FEdit(Edit), FCommands(Commands), FUi(Ui), FFolder(std::move(Folder)), FTimes(Times) {
  static int lastNew = 0;
  FNewNumber = ++lastNew;
  FOwner = "p" + std::to_string(::getpid()) + "r" +
           QString::number(QRandomGenerator::system()->generate64(), 16).toStdString();
  FFolderFault = PrepareRecoveryFolder(FFolder);
  if (FFolderFault.empty()) {
    try {
      FLock = CreatePrivate(FFolder + "/" + FOwner + ".lock");
      ::flock(FLock.get(), LOCK_EX | LOCK_NB);
    } catch (const EFileError&) {
      // Without its lock the window's copies look abandoned to others,
      // who offer them only once this window has gone.
    }
    RemoveLeftovers();
  }
  FWorker = std::make_unique<TRecoveryWorker>();

  FTimer.setSingleShot(true);
  connect(&FTimer, &QTimer::timeout, this, [this] { Due(); });
  FSliceTimer.setSingleShot(true);
  FSliceTimer.setInterval(0);
  connect(&FSliceTimer, &QTimer::timeout, this, [this] { SnapshotSlice(); });
  auto previous = FEdit.OnUndoChange;
  FEdit.OnUndoChange = [this, previous](TCustomAFEdit* Sender, bool CanUndo, bool CanRedo) {
    if (previous) previous(Sender, CanUndo, CanRedo);
    Touched();
  };
  FCommands.OnOpening = [this](const QString& Path) { return Offer(Path); };
  FCommands.OnSettled = [this] { Discard(); };
}

TRecovery::~TRecovery() {
  FEdit.OnUndoChange = nullptr;
  FCommands.OnOpening = nullptr;
  FCommands.OnSettled = nullptr;
  FWorker.reset();  // finishes what was asked, so no write is cut short
  if (FLock.get() >= 0) ::unlink((FFolder + "/" + FOwner + ".lock").c_str());
}

std::string TRecovery::CopyFile() const {
  const QString& path = FCommands.FileName();
  return FFolder + "/" + (path.isEmpty() ? CopyNameForNew(FOwner, FNewNumber) : CopyNameForPath(LocalPath(path), FOwner));
}

bool TRecovery::FolderRefused() {
  if (FFolderFault.empty()) return false;
  if (!std::exchange(FFolderTold, true))
    FUi.ShowNotice(&FWindow, QStringLiteral("保存されていない変更の回復用コピーを作りません。") +
                                  QString::fromStdString(FFolderFault) +
                                  QStringLiteral("。このフォルダーを自分だけが書き込めるようにしてください。"));
  return true;
}

bool TRecovery::Offer(const QString& Path) {
  if (FolderRefused()) return false;
  const std::string prefix = CopyPrefixForPath(LocalPath(Path));
  std::vector<TFolderEntry> entries = ListFolder(FFolder, prefix, ".recovery");
  std::erase_if(entries, [&](const TFolderEntry& E) { return !IsCopyNameForPrefix(E.Name, prefix); });
  return OfferFound(Gather(entries, Path), Path);
}

bool TRecovery::OfferNew() {
  if (FolderRefused()) return false;
  std::vector<TFolderEntry> entries = ListFolder(FFolder, "new-", ".recovery");
  std::erase_if(entries, [&](const TFolderEntry& E) {
    const std::string owner = OwnerOfNewCopy(E.Name);
    return owner.empty() || OwnerAlive(owner);
  });
  return OfferFound(Gather(entries, QString()), QString());
}

std::vector<TRecovery::TFound> TRecovery::Gather(const std::vector<TFolderEntry>& Entries, const QString& Path) {
  std::vector<TFound> found;
  QStringList kept;
  for (const TFolderEntry& e : Entries) {
    const std::string file = FFolder + "/" + e.Name;
    TRecoveryCopy copy;
    TCopyState state = TCopyState::Missing;
    try {
      state = ReadRecovery(file, copy);
    } catch (const EFileError& err) {
      FUi.ShowError(&FWindow, FileErrorText(err));
      continue;
    } catch (const std::bad_alloc&) {
      continue;  // kept for a start with more memory
    }
    if (state == TCopyState::Broken) kept << SetAside(file);
    // Another file whose name hashes alike, or a window still editing it.
    if (state != TCopyState::Good || copy.Info.Path != LocalPath(Path) || OwnerAlive(copy.Info.Owner)) continue;
    found.push_back({file, e.MTimeNs, FirstLineOf(copy.Document)});
  }
  if (!kept.isEmpty()) {
    QString text = BrokenNotice(kept[0]);
    if (kept.size() > 1) text += QStringLiteral("ほかにも壊れたコピーが %1 件あり、同じフォルダーに残してあります。").arg(kept.size() - 1);
    FUi.ShowWarning(&FWindow, text);
  }
  return found;
}

bool TRecovery::OfferFound(const std::vector<TFound>& Found, const QString& Path) {
  if (Found.empty()) return false;
  if (Found.size() == 1) {
    if (FUi.Offer(&FWindow, kRestoreQuestion)) return RestoreFile(Found[0].File, Path);
    RemoveCopy(Found[0].File);
    return false;
  }
  QStringList items;
  for (const TFound& f : Found) {
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(f.MTimeNs / 1000000);
    items << at.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + QStringLiteral("  ") +
                 (f.FirstLine.isEmpty() ? QStringLiteral("（空の文書）") : f.FirstLine);
  }
  const QString text =
      Path.isEmpty()
          ? QStringLiteral("保存されていない新しい文書が %1 件見つかりました。復元するものを選んでください。").arg(Found.size())
          : QStringLiteral("「%1」の保存されていない変更が %2 件見つかりました。復元するものを選んでください。")
                .arg(Path)
                .arg(Found.size());
  const TRestoreChoice choice = FUi.ChooseRestore(&FWindow, text, items);
  if (choice.Action == TRestoreChoice::Discard)
    for (const TFound& f : Found) RemoveCopy(f.File);
  if (choice.Action != TRestoreChoice::Restore) return false;
  // The first chosen copy comes back in this window, each other one in a
  // window of its own; copies not chosen stay for a later offer.
  bool here = false;
  std::vector<bool> done(Found.size());
  for (const int i : choice.Items) {
    if (i < 0 || i >= static_cast<int>(Found.size()) || done[static_cast<size_t>(i)]) continue;
    done[static_cast<size_t>(i)] = true;
    const std::string& file = Found[static_cast<size_t>(i)].File;
    if (!here) {
      here = RestoreFile(file, Path);
    } else if (TRecovery* other = OnNewWindow ? OnNewWindow() : nullptr) {
      other->RestoreFile(file, Path);
    }
  }
  return here;
}

bool TRecovery::RestoreFile(const std::string& File, const QString& Path) {
  TRecoveryCopy copy;
  try {
    if (ReadRecovery(File, copy) != TCopyState::Good) return false;
  } catch (const EFileError& e) {
    FUi.ShowError(&FWindow, FileErrorText(e));
    return false;
  } catch (const std::bad_alloc&) {
    FUi.ShowError(&FWindow, QStringLiteral("メモリーが足りないため、操作を続けられません。"));
    return false;
  }
  return Restore(File, copy, Path);
}

bool TRecovery::Restore(const std::string& File, const TRecoveryCopy& Copy, const QString& Path) {
  std::string document = Copy.Document;
  TViewBuf buf(document);
  std::istream in(&buf);
  try {
    FEdit.LoadFromStream(in, lmBinary);
  } catch (const EFileError& e) {
    FUi.ShowError(&FWindow, FileErrorText(e));
    return false;
  } catch (const std::bad_alloc&) {
    FUi.ShowError(&FWindow, QStringLiteral("メモリーが足りないため、操作を続けられません。"));
    return false;
  }
  // The document differs from its file, whatever is undone.
  FEdit.UndoBuff().MarkUnsaved();
  const TRecoveryInfo& I = Copy.Info;
  FEdit.SetCaretPos(RestoredCaret(FEdit, I.Caret));
  {
    // Scrolling to the caret gives the editor the focus; that is the
    // program's doing, not the user entering the editor, so the window
    // never sees it and the editor is left unfocused as it was.
    const bool hadFocus = FEdit.hasFocus();
    TFocusInHeld held(FEdit);
    FEdit.ScrollToCaret();
    if (!hadFocus && FEdit.hasFocus()) FEdit.clearFocus();
  }
  FCommands.Adopt(Path, I.Mode == lmBinary ? lmBinary : 0, I.Identity, std::max<int64_t>(I.CutAt, -1));
  // The copy is this window's now, and stays until a newer one replaces it.
  const std::string mine = CopyFile();
  if (mine != File) {
    if (::rename(File.c_str(), mine.c_str()) != 0) ::unlink(File.c_str());
    if (::rename(JournalNameOf(File).c_str(), JournalNameOf(mine).c_str()) != 0) ::unlink(JournalNameOf(File).c_str());
  }
  FWritten = mine;
  // The next copy is a full one of the document as restored.
  FHaveBase = false;
  FEdit.TakeRowChanges();
  Touched();
  return true;
}

void TRecovery::RemoveCopy(const std::string& File) {
  ::unlink(File.c_str());
  ::unlink(JournalNameOf(File).c_str());
}

QString TRecovery::SetAside(const std::string& File) {
  const std::string kept = FFolder + "/" + BrokenName(BaseName(File), static_cast<int64_t>(std::time(nullptr)));
  const bool moved = ::rename(File.c_str(), kept.c_str()) == 0;
  ::unlink(JournalNameOf(File).c_str());  // of no use without its copy
  return QFile::decodeName(moved ? kept.c_str() : File.c_str());
}

bool TRecovery::OwnerAlive(const std::string& Owner) const {
  if (Owner == FOwner) return true;
  if (Owner.empty() || Owner.find('/') != std::string::npos) return false;
  const std::string lock = FFolder + "/" + Owner + ".lock";
  TFd fd;
  uint64_t size = 0;
  if (OpenOwnRegular(lock, fd, size) != TOpenOwn::Opened) return false;
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
    ::unlink(lock.c_str());  // its owner has gone
    return false;
  }
  return errno == EWOULDBLOCK;
}

void TRecovery::RemoveLeftovers() {
  // Temporary files of writes cut short, and the locks of owners gone.
  for (const TFolderEntry& e : ListFolder(FFolder, "", "")) {
    const std::string& n = e.Name;
    const size_t temp = n.rfind(".tmp-");
    if (temp != std::string::npos && !OwnerAlive(n.substr(temp + 5))) ::unlink((FFolder + "/" + n).c_str());
    else if (n.ends_with(".lock")) OwnerAlive(n.substr(0, n.size() - 5));
  }
}
