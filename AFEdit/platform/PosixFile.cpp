#include "AFEdit/platform/PosixFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "AFEdit/platform/FileError.h"

TFd::~TFd() {
  if (FFd >= 0) ::close(FFd);
}

int TFd::Close() noexcept {
  const int fd = std::exchange(FFd, -1);
  return fd >= 0 ? ::close(fd) : 0;
}

namespace {

const char kNotRegularFile[] = "通常のファイルではありません (名前付きパイプやデバイスなどは扱えません)";

TFileIdentity IdentityOf(const struct stat& St) noexcept {
  TFileIdentity id;
  id.Dev = St.st_dev;
  id.Ino = St.st_ino;
  id.Size = static_cast<int64_t>(St.st_size);
  id.MTimeNs = static_cast<int64_t>(St.st_mtim.tv_sec) * 1000000000 + St.st_mtim.tv_nsec;
  id.CTimeNs = static_cast<int64_t>(St.st_ctim.tv_sec) * 1000000000 + St.st_ctim.tv_nsec;
  return id;
}

// Refuses what is not a regular file.
void CheckRegular(const struct stat& St, EFileError::TStep Step, const std::string& Path) {
  if (S_ISDIR(St.st_mode)) throw EFileError(Step, Path, EISDIR);
  if (!S_ISREG(St.st_mode)) throw EFileError(Step, Path, 0, kNotRegularFile);
}

}  // namespace

TFileIdentity IdentityOfFd(int Fd) noexcept {
  struct stat st{};
  return ::fstat(Fd, &st) == 0 ? IdentityOf(st) : TFileIdentity{};
}

TFileIdentity IdentityOfPath(const std::string& Path) noexcept {
  struct stat st{};
  return ::stat(Path.c_str(), &st) == 0 ? IdentityOf(st) : TFileIdentity{};
}

TFd OpenForReading(const std::string& Path) {
  // A FIFO would block open() until a writer comes, and opening a device
  // may act on it: the kind of file is looked at first, and once more on the
  // open descriptor, which does not wait, in case the name changed between.
  struct stat st{};
  if (::stat(Path.c_str(), &st) != 0) throw EFileError(EFileError::fsOpen, Path, errno);
  CheckRegular(st, EFileError::fsOpen, Path);
  TFd fd(::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) throw EFileError(EFileError::fsOpen, Path, errno);
  if (::fstat(fd.get(), &st) != 0) throw EFileError(EFileError::fsOpen, Path, errno);
  CheckRegular(st, EFileError::fsOpen, Path);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

size_t FileSizeHint(int Fd) noexcept {
  struct stat st{};
  return ::fstat(Fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
}

size_t ReadFd(int Fd, char* Dst, size_t N, const std::string& Path) {
  for (;;) {
    const ssize_t got = ::read(Fd, Dst, N);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) throw EFileError(EFileError::fsRead, Path, errno);
  }
}

void WriteFd(int Fd, const char* p, size_t n, const std::string& Path) {
  while (n > 0) {
    const ssize_t put = ::write(Fd, p, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw EFileError(EFileError::fsSave, Path, errno);
    }
    p += put;
    n -= static_cast<size_t>(put);
  }
}

void WriteFdPieces(int Fd, struct iovec* Pieces, size_t Count, const std::string& Path) {
  size_t i = 0;
  while (i < Count) {
    if (Pieces[i].iov_len == 0) {
      ++i;
      continue;
    }
    const int n = static_cast<int>(std::min<size_t>(Count - i, IOV_MAX));
    ssize_t put = ::writev(Fd, Pieces + i, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw EFileError(EFileError::fsSave, Path, errno);
    }
    for (; i < Count && static_cast<size_t>(put) >= Pieces[i].iov_len; ++i) put -= static_cast<ssize_t>(Pieces[i].iov_len);
    if (put > 0) {  // a piece written in part
      Pieces[i].iov_base = static_cast<char*>(Pieces[i].iov_base) + put;
      Pieces[i].iov_len -= static_cast<size_t>(put);
    }
  }
}

void PWriteFd(int Fd, const unsigned char* p, size_t n, off_t at, const std::string& Path) {
  while (n > 0) {
    const ssize_t put = ::pwrite(Fd, p, n, at);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw EFileError(EFileError::fsSave, Path, errno);
    }
    p += put;
    at += put;
    n -= static_cast<size_t>(put);
  }
}

namespace {

std::string ParentDir(const std::string& Path) {
  const size_t slash = Path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return Path.substr(0, slash);
}

std::string BaseName(const std::string& Path) {
  const size_t slash = Path.find_last_of('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

// ---- temporary files of saves ----

const char kTempMark[] = ".saving-";

// Eight hex digits standing for this machine, so that a folder shared with
// another machine keeps that machine's temporary files: their processes
// cannot be seen from here.
const std::string& HostTag() {
  static const std::string tag = [] {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    uint32_t h = 2166136261u;  // FNV-1a
    for (const char* p = host; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    char out[9];
    std::snprintf(out, sizeof out, "%08x", h);
    return std::string(out);
  }();
  return tag;
}

bool AllOf(std::string_view S, const char* Set) {
  return !S.empty() && S.find_first_not_of(Set) == std::string_view::npos;
}

// The process that made the temporary file Name on this machine, or 0 when
// Name is not such a file.
long TempFileProcess(std::string_view Name) {
  if (Name.empty() || Name[0] != '.') return 0;
  const size_t mark = Name.rfind(kTempMark);
  if (mark == std::string_view::npos || mark == 0) return 0;
  std::string_view rest = Name.substr(mark + sizeof kTempMark - 1);
  // <host>-<pid>-<unique>
  const size_t a = rest.find('-');
  const size_t b = a == std::string_view::npos ? a : rest.find('-', a + 1);
  if (b == std::string_view::npos) return 0;
  const std::string_view host = rest.substr(0, a);
  const std::string_view pid = rest.substr(a + 1, b - a - 1);
  const std::string_view unique = rest.substr(b + 1);
  if (host != HostTag() || !AllOf(pid, "0123456789") || pid.size() > 9 || !AllOf(unique, "0123456789abcdef"))
    return 0;
  return std::strtol(std::string(pid).c_str(), nullptr, 10);
}

bool ProcessAlive(long Pid) {
  if (Pid <= 0) return true;  // not a process of its own: leave the file
  // A process of another user answers EPERM and is alive.
  return ::kill(static_cast<pid_t>(Pid), 0) == 0 || errno != ESRCH;
}

// Creates a new file with a name of its own in Dir, readable and writable
// by the user alone; a link someone put at that name is not followed.
// Returns its descriptor and sets Name, or -1 with errno set when the
// folder refuses it.
int CreateTempFile(const std::string& Dir, const std::string& Base, std::string& Name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto tick = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const unsigned long long unique = (static_cast<unsigned long long>(counter++) << 32) | (tick & 0xFFFFFFFFull);
    Name = Dir + "/" + SaveTempName(Base, static_cast<long>(::getpid()), unique);
    const int fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The permissions the umask allows a new file.
mode_t NewFileMode() {
  // The kernel tells the umask without changing it; older kernels do not.
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(f);
    if (found) return 0666 & ~static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

// Gives the new file Fd the owner and group of the existing file Old.
// False when the user may not give a file away, nor to a group the user is
// not in.
bool TakeOverOwner(int Fd, const struct stat& Old, const std::string& Name) {
  // Refused without the privileges; what the file got is checked below.
  if (::fchown(Fd, Old.st_uid, Old.st_gid) != 0) {
  }
  struct stat now{};
  if (::fstat(Fd, &now) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  return now.st_uid == Old.st_uid && now.st_gid == Old.st_gid;
}

// Gives the new file Fd its permission bits; false when the system keeps
// some of them back (a set-group-ID bit for a group the user is not in).
bool SetMode(int Fd, mode_t Mode, const std::string& Name) {
  if (::fchmod(Fd, Mode) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  struct stat now{};
  if (::fstat(Fd, &now) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  return (now.st_mode & 07777) == Mode;
}

// ---- writing in place ----

// A file in memory for bytes on their way.
TFd AnonymousFile(const std::string& Name) {
  TFd fd(::memfd_create("hotaru-save", MFD_CLOEXEC));
  if (fd.get() < 0) throw EFileError(EFileError::fsSave, Name, errno);
  return fd;
}

// Copies N bytes from the start of From to the start of To.
void CopyBytes(int From, int To, int64_t N, const std::string& Name) {
  constexpr size_t kPiece = size_t{1} << 20;
  const std::unique_ptr<char[]> buf(new char[kPiece]);
  for (int64_t at = 0; at < N;) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(N - at, static_cast<int64_t>(kPiece)));
    const ssize_t got = ::pread(From, buf.get(), want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EFileError(EFileError::fsSave, Name, errno);
    if (got == 0) throw EFileError(EFileError::fsSave, Name, EIO);  // the source shrank
    PWriteFd(To, reinterpret_cast<const unsigned char*>(buf.get()), static_cast<size_t>(got),
             static_cast<off_t>(at), Name);
    at += got;
  }
}

int64_t SizeOf(int Fd, const std::string& Name) {
  struct stat st{};
  if (::fstat(Fd, &st) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  return static_cast<int64_t>(st.st_size);
}

}  // namespace

std::string FollowLinks(const std::string& Path) {
  std::string at = Path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st{};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string to(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(at.c_str(), to.data(), to.size());
    if (n < 0) throw EFileError(EFileError::fsSave, Path, errno);
    if (static_cast<size_t>(n) == to.size()) throw EFileError(EFileError::fsSave, Path, ENAMETOOLONG);
    to.resize(static_cast<size_t>(n));
    at = to.starts_with('/') ? to : ParentDir(at) + "/" + to;
  }
  throw EFileError(EFileError::fsSave, Path, ELOOP);
}

std::string SaveTempName(const std::string& Base, long Pid, unsigned long long Unique) {
  // Long names would not leave room for the suffix.
  std::string name(1, '.');
  name.append(Base, 0, 100);
  char suffix[96];
  std::snprintf(suffix, sizeof suffix, "%s%s-%ld-%llx", kTempMark, HostTag().c_str(), Pid, Unique);
  return name + suffix;
}

void RemoveStaleSaveTemps(const std::string& Dir) noexcept {
  try {
    TFd dirFd(::open(Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0) return;
    const int scanFd = ::dup(dirFd.get());
    if (scanFd < 0) return;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(scanFd), &::closedir);
    if (!dir) {
      ::close(scanFd);
      return;
    }
    const uid_t me = ::geteuid();
    while (const dirent* e = ::readdir(dir.get())) {
      const long pid = TempFileProcess(e->d_name);
      if (pid == 0 || ProcessAlive(pid)) continue;
      struct stat st{};
      if (::fstatat(dirFd.get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
      ::unlinkat(dirFd.get(), e->d_name, 0);
    }
  } catch (...) {
    // Tidying up is never worth a failed save.
  }
}

TFileIdentity WriteInPlace(const std::string& Target, const std::string& Name,
                           const std::function<void(int Fd)>& Write) {
  // The new bytes, complete, before the file is touched.
  const TFd fresh = AnonymousFile(Name);
  Write(fresh.get());
  const int64_t newSize = SizeOf(fresh.get(), Name);

  bool readable = true;
  TFd fd(::open(Target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0 && errno == EACCES) {
    readable = false;
    fd = TFd(::open(Target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  }
  if (fd.get() < 0) throw EFileError(EFileError::fsSave, Name, errno);
  struct stat st{};
  if (::fstat(fd.get(), &st) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  CheckRegular(st, EFileError::fsSave, Name);
  const auto oldSize = static_cast<int64_t>(st.st_size);

  // The old bytes, to put back should writing fail part-way.
  TFd old;
  if (readable) {
    old = AnonymousFile(Name);
    CopyBytes(fd.get(), old.get(), oldSize, Name);
  }
  // A full disk is found before the first byte changes.
  if (newSize > oldSize && ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(newSize)) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    throw EFileError(EFileError::fsSave, Name, errno);
  try {
    CopyBytes(fresh.get(), fd.get(), newSize, Name);
    if (::ftruncate(fd.get(), static_cast<off_t>(newSize)) != 0) throw EFileError(EFileError::fsSave, Name, errno);
    if (::fsync(fd.get()) != 0) throw EFileError(EFileError::fsSave, Name, errno);
  } catch (...) {
    if (old.get() >= 0) {
      try {
        CopyBytes(old.get(), fd.get(), oldSize, Name);
        if (::ftruncate(fd.get(), static_cast<off_t>(oldSize)) == 0) ::fsync(fd.get());
      } catch (...) {
        // The first error is the one to report.
      }
    }
    throw;
  }
  const TFileIdentity id = IdentityOfFd(fd.get());
  if (fd.Close() != 0) throw EFileError(EFileError::fsSave, Name, errno);
  return id;
}

TFileIdentity ReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Write) {
  const std::string target = FollowLinks(FileName);
  struct stat st{};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    CheckRegular(st, EFileError::fsSave, FileName);
    // A file the user may not write is not replaced behind its back, as
    // the folder would allow: writing to it would be refused.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      throw EFileError(EFileError::fsSave, FileName, errno);
    // Other names of the file would keep the old bytes.
    if (st.st_nlink > 1) return WriteInPlace(target, FileName, Write);
  }

  const std::string dir = ParentDir(target);
  RemoveStaleSaveTemps(dir);
  std::string tempName;
  TFd fd(CreateTempFile(dir, BaseName(target), tempName));
  if (fd.get() < 0) {
    const int err = errno;
    // A folder the user may not write to, holding a file the user may.
    if (exists && (err == EACCES || err == EPERM)) return WriteInPlace(target, FileName, Write);
    throw EFileError(EFileError::fsSave, FileName, err);
  }
  TFileIdentity id;
  bool kept = true;  // the new file can have all the old one has
  try {
    // The bytes are written while the file is the user's alone; it gets
    // its permissions once they are all there, before it takes the name.
    if (exists) kept = TakeOverOwner(fd.get(), st, FileName);
    if (kept) {
      Write(fd.get());
      kept = SetMode(fd.get(), exists ? st.st_mode & 07777 : NewFileMode(), FileName) || !exists;
    }
    if (kept) {
      if (::fsync(fd.get()) != 0) throw EFileError(EFileError::fsSave, FileName, errno);
      id = IdentityOfFd(fd.get());
      if (fd.Close() != 0) throw EFileError(EFileError::fsSave, FileName, errno);
      if (::rename(tempName.c_str(), target.c_str()) != 0) throw EFileError(EFileError::fsSave, FileName, errno);
    }
  } catch (...) {
    fd.Close();
    ::unlink(tempName.c_str());
    throw;
  }
  if (!kept) {
    fd.Close();
    ::unlink(tempName.c_str());
    return WriteInPlace(target, FileName, Write);
  }
  // Renaming changes the file's change time.
  const TFileIdentity placed = IdentityOfPath(target);
  if (placed.SameFile(id)) id = placed;
  // Make the new name itself durable; the data is already safe, so a
  // failure here is not reported.
  TFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() >= 0) ::fsync(dirFd.get());
  return id;
}
