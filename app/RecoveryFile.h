// Recovery copies of unsaved documents on disk: where they live, how they
// are named, and their bytes.  No window is involved, and writing a copy
// may run on any thread.
//
// A copy is a 32-byte header and a payload:
//   header   "HOTARURC", version (u32), header check (u32: CRC-32 of the
//            other header bytes), payload length (u64), payload CRC-32
//            (u32), zero (u32)
//   payload  owner, path (each a u32 length and bytes), style (i32), the
//            file's identity (dev u64, inode u64, size i64, mtime i64),
//            cut offset (i64), caret column and row (i32 each), then the
//            document in the binary style (u64 length and bytes)
// Numbers are little-endian.  A copy whose lengths or checks do not agree
// is broken as a whole: nothing of it is used.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AFEdit/document/LineAttr.h"
#include "AFEdit/document/RowStr.h"
#include "AFEdit/platform/PosixFile.h"
#include "AFEdit/platform/Types.h"

class TCustomAFEdit;

// What a copy says about its document besides the rows.
struct TRecoveryInfo {
  std::string Owner;       // the program instance that wrote it
  std::string Path;        // the document's file; empty for a new document
  int Mode = 0;            // the style the file is saved in (0 or lmBinary)
  TFileIdentity Identity;  // the file as last loaded or saved
  int64_t CutAt = -1;      // where loading the file stopped at a zero byte, or -1
  TPoint Caret{0, 0};

  friend bool operator==(const TRecoveryInfo&, const TRecoveryInfo&) = default;
};

// A document frozen for writing on another thread.  Row bytes never
// change once made, so the snapshot keeps the rows' places, and holds one
// handle on each shared chunk they lie in so that the bytes stay.  Those
// handles' counts are not atomic: a snapshot is made, cleared and
// destroyed on the editor's thread only; a writer thread only reads it.
struct TRecoverySnapshot {
  struct TRow {
    const char* Data;
    size_t Size;
  };
  struct TRecords {
    TLineAttr Record;
    size_t Count;
  };
  TRecoveryInfo Info;
  std::vector<TRow> Rows;
  std::vector<TRowStr> Keep;        // a row of each chunk the rows lie in
  std::deque<std::string> Own;      // copies of rows whose bytes lie elsewhere
  std::vector<TRecords> Records;    // runs of equal records, in row order

  // Empties it, keeping its room for the next snapshot.
  void Clear() noexcept {
    Rows.clear();
    Keep.clear();
    Own.clear();
    Records.clear();
  }
};

// Adds rows [From, To) of E to S: their places, not their bytes.
void SnapshotRows(TCustomAFEdit& E, int From, int To, TRecoverySnapshot& S);
// Takes the records of E into S, once S has every row.
void SnapshotRecords(TCustomAFEdit& E, TRecoverySnapshot& S);
// Fills S (emptied first) from E at once.
void TakeSnapshot(TCustomAFEdit& E, TRecoveryInfo Info, TRecoverySnapshot& S);
inline TRecoverySnapshot TakeSnapshot(TCustomAFEdit& E, TRecoveryInfo Info) {
  TRecoverySnapshot s;
  TakeSnapshot(E, std::move(Info), s);
  return s;
}

// Writes Snapshot to File so that File holds either its old bytes or the
// whole new copy: a temporary file beside it (named from Temp) is written,
// flushed to disk and renamed over File, and the folder is flushed.  Throws
// EFileError; a document the binary style cannot hold (a row with LF, more
// than 2 GiB) is refused that way too.
// Returns the header of the copy written.
std::string WriteRecoveryCopy(const std::string& File, const std::string& Temp, const TRecoverySnapshot& Snapshot);

// The bytes WriteRecoveryCopy would write.
std::string EncodeRecoveryCopy(const TRecoverySnapshot& Snapshot);

enum class TCopyState { Missing, Good, Broken };

struct TRecoveryCopy {
  std::string Header;  // the copy's first bytes, which its journal names
  TRecoveryInfo Info;
  std::string Document;  // the rows and records, as a binary-style file holds them
};

// Checks the bytes of a copy and takes them apart; Broken when anything
// does not agree.
TCopyState DecodeRecoveryCopy(std::string_view Bytes, TRecoveryCopy& Out);
// Reads and decodes File; Missing when there is none.  Throws EFileError
// when it cannot be read.
TCopyState ReadRecoveryCopy(const std::string& File, TRecoveryCopy& Out);

// CRC-32 (the polynomial of zip and PNG), continued from Crc.
uint32_t Crc32(const void* Data, size_t N, uint32_t Crc = 0) noexcept;

// The folder of recovery copies: $XDG_STATE_HOME/hotaru/recovery, with
// ~/.local/state for a missing or relative XDG_STATE_HOME.
std::string RecoveryFolder();
// The start of the copy names of a document's file (an absolute path): a
// readable part of the file's name and a hash of the whole path.
std::string CopyPrefixForPath(std::string_view Path);
// The copy's file name for a document's file in the window Owner; without
// an owner, the one name all windows shared before (still read).
std::string CopyNameForPath(std::string_view Path, std::string_view Owner = {});
// Whether Name is a copy's name for the file whose prefix is Prefix.
bool IsCopyNameForPrefix(std::string_view Name, std::string_view Prefix);
// The copy's file name of a new document of an owner.
std::string CopyNameForNew(std::string_view Owner, int Number);
// The owner in a new document's copy name; empty for any other name.
std::string OwnerOfNewCopy(std::string_view Name);
// Where a broken copy is set aside.
std::string BrokenName(std::string_view Name, int64_t Stamp);
