#include "app/RecoveryJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/FileError.h"
#include "app/RecoveryFolder.h"

namespace {

constexpr char kMagic[8] = {'H', 'O', 'T', 'A', 'R', 'U', 'J', 'L'};
constexpr uint32_t kVersion = 1;
constexpr size_t kCopyHeaderSize = 32;
constexpr size_t kHeaderSize = 48;
constexpr uint32_t kEntryMagic = 0x31454A48;  // "HJE1"
constexpr size_t kFrameSize = 16;

void Put32(std::string& S, uint32_t V) {
  for (int i = 0; i < 4; ++i) S += static_cast<char>(V >> (8 * i));
}
void Put64(std::string& S, uint64_t V) {
  for (int i = 0; i < 8; ++i) S += static_cast<char>(V >> (8 * i));
}

// Reads little-endian fields in order; a read past the end fails it.
class TReader {
public:
  explicit TReader(std::string_view B) : FB(B) {}
  bool Ok() const noexcept { return FOk; }
  size_t Left() const noexcept { return FB.size() - FAt; }
  uint64_t Get(int Bytes) {
    if (!FOk || static_cast<size_t>(Bytes) > Left()) {
      FOk = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < Bytes; ++i) v |= static_cast<uint64_t>(static_cast<unsigned char>(FB[FAt + i])) << (8 * i);
    FAt += static_cast<size_t>(Bytes);
    return v;
  }
  std::string_view Bytes(uint64_t N) {
    if (!FOk || N > Left()) {
      FOk = false;
      return {};
    }
    const std::string_view v = FB.substr(FAt, N);
    FAt += N;
    return v;
  }

private:
  std::string_view FB;
  size_t FAt = 0;
  bool FOk = true;
};

// A binary-style document taken apart: its rows and its raw records.
struct TOpenDocument {
  std::vector<std::string_view> Rows;
  std::string Records;  // kLineAttrDiskSize bytes each
};

TOpenDocument Open(std::string_view Doc) {
  TOpenDocument d;
  const TBinaryHeader h = DecodeBinaryHeader(reinterpret_cast<const unsigned char*>(Doc.data()));
  d.Rows.reserve(static_cast<size_t>(h.RowCount));
  size_t at = kBinaryHeaderSize;
  const auto end = static_cast<size_t>(h.RecordOffset);
  while (at < end) {
    const size_t lf = Doc.find('\n', at);
    d.Rows.push_back(Doc.substr(at, lf - at));
    at = lf + 1;
  }
  d.Records.assign(Doc.substr(end, static_cast<size_t>(h.TotalSize) - end));
  return d;
}

std::string Close(const TOpenDocument& D) {
  size_t text = 0;
  for (const std::string_view r : D.Rows) text += r.size() + 1;
  std::string out(kBinaryHeaderSize, '\0');
  const uint64_t total = kBinaryHeaderSize + text + D.Records.size();
  if (total > static_cast<uint64_t>(INT32_MAX)) return {};
  EncodeBinaryHeader({static_cast<int32_t>(total), static_cast<int32_t>(kBinaryHeaderSize + text),
                      static_cast<int32_t>(D.Rows.size())},
                     reinterpret_cast<unsigned char*>(out.data()));
  out.reserve(total);
  for (const std::string_view r : D.Rows) {
    out += r;
    out += '\n';
  }
  return out += D.Records;
}

// Applies one entry's payload to D; false when it does not fit D.
bool ApplyEntry(std::string_view Payload, TOpenDocument& D, TPoint& Caret) {
  TReader r(Payload);
  const uint64_t first = r.Get(4), removed = r.Get(4), added = r.Get(4);
  if (!r.Ok() || first + removed > D.Rows.size() || added > r.Left() / 4) return false;
  std::vector<std::string_view> rows(static_cast<size_t>(added));
  for (std::string_view& row : rows) {
    row = r.Bytes(r.Get(4));
    if (row.find('\n') != std::string_view::npos) return false;
  }
  const uint64_t recFirst = r.Get(8), recRemoved = r.Get(8), runs = r.Get(4);
  const uint64_t records = D.Records.size() / kLineAttrDiskSize;
  if (!r.Ok() || recFirst > records || recRemoved > records - recFirst || runs > r.Left() / 28) return false;
  std::string recs;
  for (uint64_t i = 0; i < runs; ++i) {
    const std::string_view record = r.Bytes(kLineAttrDiskSize);
    const uint64_t count = r.Get(8);
    if (!r.Ok() || count > static_cast<uint64_t>(INT32_MAX) / kLineAttrDiskSize - recs.size() / kLineAttrDiskSize)
      return false;
    for (uint64_t k = 0; k < count; ++k) recs += record;
  }
  const auto x = static_cast<int32_t>(r.Get(4)), y = static_cast<int32_t>(r.Get(4));
  if (!r.Ok() || r.Left() != 0) return false;
  D.Rows.erase(D.Rows.begin() + static_cast<ptrdiff_t>(first), D.Rows.begin() + static_cast<ptrdiff_t>(first + removed));
  D.Rows.insert(D.Rows.begin() + static_cast<ptrdiff_t>(first), rows.begin(), rows.end());
  D.Records.replace(recFirst * kLineAttrDiskSize, recRemoved * kLineAttrDiskSize, recs);
  Caret = {x, y};
  return !D.Rows.empty();
}

std::string DirOf(const std::string& File) {
  const size_t slash = File.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : File.substr(0, slash);
}

void WriteAllFd(int Fd, std::string_view Bytes, const std::string& Name) { WriteFd(Fd, Bytes.data(), Bytes.size(), Name); }

}  // namespace

std::string EncodeJournalHeader(std::string_view CopyHeader) {
  std::string h(kMagic, sizeof kMagic);
  Put32(h, kVersion);
  h += CopyHeader.substr(0, kCopyHeaderSize);
  h.resize(kHeaderSize - 4, '\0');
  Put32(h, Crc32(h.data(), h.size()));
  return h;
}

std::string EncodeJournalEntry(const TJournalEntry& E) {
  std::string p;
  Put32(p, static_cast<uint32_t>(E.First));
  Put32(p, static_cast<uint32_t>(E.Removed));
  Put32(p, static_cast<uint32_t>(E.Rows.size()));
  for (const std::string& row : E.Rows) {
    Put32(p, static_cast<uint32_t>(row.size()));
    p += row;
  }
  Put64(p, E.RecordFirst);
  Put64(p, E.RecordsRemoved);
  Put32(p, static_cast<uint32_t>(E.Records.size()));
  for (const TRecoverySnapshot::TRecords& run : E.Records) {
    unsigned char record[kLineAttrDiskSize];
    EncodeLineAttr(run.Record, record);
    p.append(reinterpret_cast<const char*>(record), sizeof record);
    Put64(p, run.Count);
  }
  Put32(p, static_cast<uint32_t>(E.Caret.X));
  Put32(p, static_cast<uint32_t>(E.Caret.Y));
  std::string frame;
  Put32(frame, kEntryMagic);
  Put32(frame, static_cast<uint32_t>(p.size()));
  Put32(frame, Crc32(p.data(), p.size()));
  Put32(frame, Crc32(frame.data(), frame.size()));
  return frame + p;
}

void DiffRecords(const std::vector<TRecoverySnapshot::TRecords>& Old,
                 const std::vector<TRecoverySnapshot::TRecords>& New, TJournalEntry& Entry) {
  const auto same = [](const TRecoverySnapshot::TRecords& A, const TRecoverySnapshot::TRecords& B) {
    return A.Count == B.Count && A.Record == B.Record;
  };
  size_t head = 0;
  while (head < Old.size() && head < New.size() && same(Old[head], New[head])) ++head;
  size_t tail = 0;
  while (tail < Old.size() - head && tail < New.size() - head &&
         same(Old[Old.size() - 1 - tail], New[New.size() - 1 - tail]))
    ++tail;
  Entry.RecordFirst = 0;
  for (size_t i = 0; i < head; ++i) Entry.RecordFirst += Old[i].Count;
  Entry.RecordsRemoved = 0;
  for (size_t i = head; i < Old.size() - tail; ++i) Entry.RecordsRemoved += Old[i].Count;
  Entry.Records.assign(New.begin() + static_cast<ptrdiff_t>(head), New.end() - static_cast<ptrdiff_t>(tail));
}

int ApplyJournal(std::string_view Journal, TRecoveryCopy& Copy) {
  if (Journal.size() < kHeaderSize || Copy.Header.size() != kCopyHeaderSize ||
      Journal.substr(0, kHeaderSize) != EncodeJournalHeader(Copy.Header))
    return -1;
  TOpenDocument doc = Open(Copy.Document);
  TPoint caret = Copy.Info.Caret;
  int applied = 0;
  TReader r(Journal.substr(kHeaderSize));
  while (r.Left() >= kFrameSize) {
    const std::string_view frame = Journal.substr(Journal.size() - r.Left(), 12);
    const uint64_t magic = r.Get(4), length = r.Get(4), crc = r.Get(4), check = r.Get(4);
    if (magic != kEntryMagic || check != Crc32(frame.data(), frame.size()) || length > r.Left()) break;
    const std::string_view payload = r.Bytes(length);
    if (crc != Crc32(payload.data(), payload.size()) || !ApplyEntry(payload, doc, caret)) break;
    ++applied;
  }
  if (applied == 0) return 0;
  std::string out = Close(doc);
  if (out.empty() || CheckBinaryDocument(out) != TBinaryFault::None) return -1;
  Copy.Document = std::move(out);
  Copy.Info.Caret = caret;
  return applied;
}

std::string JournalNameOf(const std::string& CopyFile) {
  const std::string ext = ".recovery";
  return (CopyFile.ends_with(ext) ? CopyFile.substr(0, CopyFile.size() - ext.size()) : CopyFile) + ".journal";
}

void CreateJournal(const std::string& File, const std::string& Temp, std::string_view CopyHeader) {
  const std::string temp = DirOf(File) + "/" + Temp;
  TFd fd = CreatePrivate(temp);
  try {
    WriteAllFd(fd.get(), EncodeJournalHeader(CopyHeader), temp);
    if (::fsync(fd.get()) != 0 || fd.Close() != 0) throw EFileError(EFileError::fsSave, temp, errno);
    if (::rename(temp.c_str(), File.c_str()) != 0) throw EFileError(EFileError::fsSave, File, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

void AppendJournal(const std::string& File, std::string_view Entry) {
  TFd fd(::open(File.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) throw EFileError(EFileError::fsSave, File, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
    throw EFileError(EFileError::fsSave, File, EPERM);
  WriteAllFd(fd.get(), Entry, File);
  if (::fdatasync(fd.get()) != 0) throw EFileError(EFileError::fsSave, File, errno);
}

TCopyState ReadRecovery(const std::string& File, TRecoveryCopy& Out) {
  const TCopyState state = ReadRecoveryCopy(File, Out);
  if (state != TCopyState::Good) return state;
  const std::string journal = JournalNameOf(File);
  TFd fd;
  uint64_t size = 0;
  if (OpenOwnRegular(journal, fd, size) != TOpenOwn::Opened) return state;
  std::string bytes(static_cast<size_t>(size), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const size_t n = ReadFd(fd.get(), bytes.data() + got, bytes.size() - got, journal);
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  ApplyJournal(bytes, Out);
  return state;
}
