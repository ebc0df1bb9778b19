#include "app/RecoveryFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "AFEdit/AFEdit.h"
#include "AFEdit/document/AttrList.h"
#include "AFEdit/document/FileFormat.h"
#include "AFEdit/platform/FileError.h"
#include "app/RecoveryFolder.h"

namespace {

constexpr char kMagic[8] = {'H', 'O', 'T', 'A', 'R', 'U', 'R', 'C'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr char kCopyExt[] = ".recovery";

const uint32_t* CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table.data();
}

void Put32(std::string& S, uint32_t V) {
  for (int i = 0; i < 4; ++i) S += static_cast<char>(V >> (8 * i));
}
void Put64(std::string& S, uint64_t V) {
  for (int i = 0; i < 8; ++i) S += static_cast<char>(V >> (8 * i));
}
void PutBytes(std::string& S, std::string_view B) {
  Put32(S, static_cast<uint32_t>(B.size()));
  S += B;
}

// Reads the payload's fields in order; any read past the end fails it.
class TFieldReader {
public:
  explicit TFieldReader(std::string_view B) : FB(B) {}
  bool Ok() const noexcept { return FOk; }
  uint64_t Get(int Bytes) {
    if (!Take(static_cast<size_t>(Bytes))) return 0;
    uint64_t v = 0;
    const char* p = FB.data() + FAt - Bytes;
    for (int i = 0; i < Bytes; ++i) v |= static_cast<uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
  }
  int32_t Get32s() { return static_cast<int32_t>(static_cast<uint32_t>(Get(4))); }
  int64_t Get64s() { return static_cast<int64_t>(Get(8)); }
  std::string_view Bytes(uint64_t N) {
    if (N > FB.size() - FAt) FOk = false;
    if (!FOk || !Take(static_cast<size_t>(N))) return {};
    return FB.substr(FAt - N, N);
  }
  std::string_view Rest() const noexcept { return FB.substr(FAt); }

private:
  bool Take(size_t N) {
    if (!FOk || N > FB.size() - FAt) return FOk = false;
    FAt += N;
    return true;
  }
  std::string_view FB;
  size_t FAt = 0;
  bool FOk = true;
};

// The header for a payload of Length bytes with check Crc.
std::string EncodeHeader(uint64_t Length, uint32_t Crc) {
  std::string tail;  // the bytes after the header check
  Put64(tail, Length);
  Put32(tail, Crc);
  Put32(tail, 0);
  std::string h(kMagic, sizeof kMagic);
  Put32(h, kVersion);
  Put32(h, Crc32(tail.data(), tail.size(), Crc32(h.data(), h.size())));
  return h + tail;
}

// The payload's fields before the document.
std::string EncodeInfo(const TRecoveryInfo& I, uint64_t DocumentLength) {
  std::string s;
  PutBytes(s, I.Owner);
  PutBytes(s, I.Path);
  Put32(s, static_cast<uint32_t>(I.Mode));
  Put64(s, static_cast<uint64_t>(I.Identity.Dev));
  Put64(s, static_cast<uint64_t>(I.Identity.Ino));
  Put64(s, static_cast<uint64_t>(I.Identity.Size));
  Put64(s, static_cast<uint64_t>(I.Identity.MTimeNs));
  Put64(s, static_cast<uint64_t>(I.CutAt));
  Put32(s, static_cast<uint32_t>(I.Caret.X));
  Put32(s, static_cast<uint32_t>(I.Caret.Y));
  Put64(s, DocumentLength);
  return s;
}

// Streams the copy's payload to Sink and returns the header that goes
// before it, made once the payload's length and check are known.
std::string StreamCopy(const std::string& Name, const TRecoverySnapshot& S, const TByteSink& Sink) {
  uint64_t textLen = 0;
  for (size_t r = 0; r < S.Rows.size(); ++r) {
    const TRecoverySnapshot::TRow& row = S.Rows[r];
    if (std::memchr(row.Data, '\n', row.Size))
      throw EFileError(EFileError::fsSave, Name, 0,
                       std::to_string(r + 1) + " 行目に改行文字 (LF) が含まれているため、回復用のコピーを作れません");
    textLen += row.Size + 1;
  }
  uint64_t records = 0;
  for (const TRecoverySnapshot::TRecords& run : S.Records) records += run.Count;
  const uint64_t recordOffset = kBinaryHeaderSize + textLen;
  const uint64_t docLen = recordOffset + records * kLineAttrDiskSize;
  if (docLen > static_cast<uint64_t>(INT32_MAX) || S.Rows.size() > static_cast<size_t>(INT32_MAX))
    throw EFileError(EFileError::fsSave, Name, 0, "文書が大きすぎるため、回復用のコピーを作れません");

  uint32_t crc = 0;
  uint64_t length = 0;
  TByteWriter out([&](const char* p, size_t n) {
    crc = Crc32(p, n, crc);
    length += n;
    Sink(p, n);
  });
  out.Put(EncodeInfo(S.Info, docLen));
  unsigned char header[kBinaryHeaderSize];
  EncodeBinaryHeader({static_cast<int32_t>(docLen), static_cast<int32_t>(recordOffset),
                      static_cast<int32_t>(S.Rows.size())},
                     header);
  out.Put(reinterpret_cast<const char*>(header), sizeof header);
  for (const TRecoverySnapshot::TRow& row : S.Rows) {
    out.Put(row.Data, row.Size);
    out.Put('\n');
  }
  for (const TRecoverySnapshot::TRecords& run : S.Records) {
    unsigned char record[kLineAttrDiskSize];
    EncodeLineAttr(run.Record, record);
    for (size_t i = 0; i < run.Count; ++i) out.Put(reinterpret_cast<const char*>(record), sizeof record);
  }
  out.Flush();
  return EncodeHeader(length, crc);
}

// Writes the copy's bytes to Fd, the header last, and returns the header.
std::string WriteCopyTo(int Fd, const std::string& Name, const TRecoverySnapshot& S) {
  const std::string zeros(kHeaderSize, '\0');
  WriteFd(Fd, zeros.data(), zeros.size(), Name);
  const std::string h = StreamCopy(Name, S, [&](const char* p, size_t n) { WriteFd(Fd, p, n, Name); });
  PWriteFd(Fd, reinterpret_cast<const unsigned char*>(h.data()), h.size(), 0, Name);
  return h;
}

// Reads up to N bytes, fewer only at the end of the file.
size_t ReadFully(int Fd, char* Dst, size_t N, const std::string& Name) {
  size_t got = 0;
  while (got < N) {
    const size_t n = ReadFd(Fd, Dst + got, N - got, Name);
    if (n == 0) break;
    got += n;
  }
  return got;
}

// The payload length a header promises when its check agrees, else 0.
uint64_t PayloadLength(std::string_view Header) {
  if (Header.size() < kHeaderSize || std::memcmp(Header.data(), kMagic, sizeof kMagic) != 0) return 0;
  TFieldReader h(Header.substr(0, kHeaderSize));
  h.Get(8);
  const auto version = static_cast<uint32_t>(h.Get(4));
  const auto headerCheck = static_cast<uint32_t>(h.Get(4));
  const uint64_t length = h.Get(8);
  if (version != kVersion || headerCheck != Crc32(Header.data() + 16, kHeaderSize - 16, Crc32(Header.data(), 12)))
    return 0;
  return length;
}

std::string DirOf(const std::string& File) {
  const size_t slash = File.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : File.substr(0, slash);
}

}  // namespace

uint32_t Crc32(const void* Data, size_t N, uint32_t Crc) noexcept {
  const uint32_t* t = CrcTable();
  const auto* p = static_cast<const unsigned char*>(Data);
  uint32_t c = ~Crc;
  for (size_t i = 0; i < N; ++i) c = t[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

void SnapshotRows(TCustomAFEdit& E, int From, int To, TRecoverySnapshot& S) {
  S.Rows.reserve(static_cast<size_t>(E.RowCount()));
  const TStrChunk* last = S.Keep.empty() ? nullptr : S.Keep.back().Chunk();
  E.Lines().ForEach(From, To, [&](int, const TRowStr& Row) {
    const TStrChunk* chunk = Row.Chunk();
    if (Row.empty()) {
      S.Rows.push_back({"", 0});
      return;
    }
    if (!chunk || Row.data() < chunk->Data() || Row.data() + Row.size() > chunk->Data() + chunk->Capacity()) {
      // Bytes that are not in a shared chunk may move: copied.
      S.Own.emplace_back(Row.view());
      S.Rows.push_back({S.Own.back().data(), Row.size()});
      return;
    }
    S.Rows.push_back({Row.data(), Row.size()});
    if (chunk != last) {
      last = chunk;
      S.Keep.push_back(Row);
    }
  });
}

void SnapshotRecords(TCustomAFEdit& E, TRecoverySnapshot& S) {
  E.LineAttrs().ForEachRecord([&](const TLineAttr& A, size_t N) {
    if (!S.Records.empty() && S.Records.back().Record == A)
      S.Records.back().Count += N;
    else
      S.Records.push_back({A, N});
  });
}

void TakeSnapshot(TCustomAFEdit& E, TRecoveryInfo Info, TRecoverySnapshot& S) {
  S.Clear();
  S.Info = std::move(Info);
  SnapshotRows(E, 0, E.RowCount(), S);
  SnapshotRecords(E, S);
}

std::string WriteRecoveryCopy(const std::string& File, const std::string& Temp, const TRecoverySnapshot& Snapshot) {
  const std::string dir = DirOf(File);
  const std::string temp = dir + "/" + Temp;
  // Never through a name someone else put there first.
  TFd fd = CreatePrivate(temp);
  std::string header;
  try {
    header = WriteCopyTo(fd.get(), temp, Snapshot);
    if (::fsync(fd.get()) != 0) throw EFileError(EFileError::fsSave, temp, errno);
    if (fd.Close() != 0) throw EFileError(EFileError::fsSave, temp, errno);
    if (::rename(temp.c_str(), File.c_str()) != 0) throw EFileError(EFileError::fsSave, File, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  const TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) ::fsync(dirFd.get());
  return header;
}

std::string EncodeRecoveryCopy(const TRecoverySnapshot& Snapshot) {
  std::string out(kHeaderSize, '\0');
  const std::string h = StreamCopy({}, Snapshot, [&](const char* p, size_t n) { out.append(p, n); });
  return out.replace(0, kHeaderSize, h);
}

TCopyState DecodeRecoveryCopy(std::string_view Bytes, TRecoveryCopy& Out) {
  const uint64_t length = PayloadLength(Bytes);
  if (length == 0 || length != Bytes.size() - kHeaderSize) return TCopyState::Broken;
  TFieldReader h(Bytes.substr(24, 4));
  if (h.Get(4) != Crc32(Bytes.data() + kHeaderSize, length)) return TCopyState::Broken;

  TFieldReader f(Bytes.substr(kHeaderSize));
  TRecoveryInfo& I = Out.Info;
  I.Owner = f.Bytes(f.Get(4));
  I.Path = f.Bytes(f.Get(4));
  I.Mode = f.Get32s();
  I.Identity.Dev = static_cast<dev_t>(f.Get(8));
  I.Identity.Ino = static_cast<ino_t>(f.Get(8));
  I.Identity.Size = f.Get64s();
  I.Identity.MTimeNs = f.Get64s();
  I.CutAt = f.Get64s();
  I.Caret.X = f.Get32s();
  I.Caret.Y = f.Get32s();
  const uint64_t docLen = f.Get(8);
  if (!f.Ok() || docLen != f.Rest().size()) return TCopyState::Broken;
  const std::string_view doc = f.Rest();
  if (CheckBinaryDocument(doc) != TBinaryFault::None) return TCopyState::Broken;
  Out.Document = doc;
  Out.Header = Bytes.substr(0, kHeaderSize);
  return TCopyState::Good;
}

TCopyState ReadRecoveryCopy(const std::string& File, TRecoveryCopy& Out) {
  TFd fd;
  uint64_t size = 0;
  switch (OpenOwnRegular(File, fd, size)) {
    case TOpenOwn::Missing: return TCopyState::Missing;
    case TOpenOwn::Refused: return TCopyState::Broken;
    case TOpenOwn::Opened: break;
  }
  // The header first: it says how much more to read, which must be what
  // the file holds, so neither a huge nor a growing file is read on.
  std::string bytes(kHeaderSize, '\0');
  if (size < kHeaderSize || ReadFully(fd.get(), bytes.data(), kHeaderSize, File) != kHeaderSize)
    return TCopyState::Broken;
  const uint64_t length = PayloadLength(bytes);
  if (length == 0 || length != size - kHeaderSize) return TCopyState::Broken;
  bytes.resize(kHeaderSize + length);
  if (ReadFully(fd.get(), bytes.data() + kHeaderSize, length, File) != length) return TCopyState::Broken;
  return DecodeRecoveryCopy(bytes, Out);
}

std::string RecoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::string base;
  if (state && state[0] == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.local/state";
  }
  return base + "/hotaru/recovery";
}

std::string CopyPrefixForPath(std::string_view Path) {
  uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
  for (const char c : Path) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  std::string_view base = Path.substr(Path.rfind('/') + 1);
  std::string readable;
  for (const char c : base.substr(0, 40)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    readable += plain ? c : '_';
  }
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(h));
  return "file-" + readable + "-" + hash;
}

std::string CopyNameForPath(std::string_view Path, std::string_view Owner) {
  return CopyPrefixForPath(Path) + (Owner.empty() ? "" : "-" + std::string(Owner)) + kCopyExt;
}

bool IsCopyNameForPrefix(std::string_view Name, std::string_view Prefix) {
  const std::string_view ext = kCopyExt;
  if (!Name.starts_with(Prefix) || !Name.ends_with(ext) || Name.size() < Prefix.size() + ext.size()) return false;
  Name.remove_prefix(Prefix.size());
  Name.remove_suffix(ext.size());
  if (Name.empty()) return true;  // one copy per file, as named before windows had their own
  return Name.size() > 1 && Name[0] == '-' && Name.find_first_of("-./", 1) == std::string_view::npos;
}

std::string CopyNameForNew(std::string_view Owner, int Number) {
  return "new-" + std::string(Owner) + "-" + std::to_string(Number) + kCopyExt;
}

std::string OwnerOfNewCopy(std::string_view Name) {
  const std::string_view ext = kCopyExt;
  if (!Name.starts_with("new-") || !Name.ends_with(ext)) return {};
  Name.remove_prefix(4);
  Name.remove_suffix(ext.size());
  const size_t dash = Name.rfind('-');
  return dash == std::string_view::npos || dash == 0 ? std::string() : std::string(Name.substr(0, dash));
}

std::string BrokenName(std::string_view Name, int64_t Stamp) {
  return std::string(Name) + "." + std::to_string(Stamp) + ".broken";
}
