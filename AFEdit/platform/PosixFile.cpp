#include "AFEdit/platform/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "AFEdit/platform/FileError.h"

TFd::~TFd() {
  if (FFd >= 0) ::close(FFd);
}

int TFd::Close() noexcept {
  const int fd = std::exchange(FFd, -1);
  return fd >= 0 ? ::close(fd) : 0;
}

TFd OpenForReading(const std::string& Path) {
  TFd fd(::open(Path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw EFileError(EFileError::fsOpen, Path, errno);
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

// Creates a new file with a name of its own in Dir, readable and writable
// as the umask allows.  Returns its descriptor and sets Name.
int CreateTempFile(const std::string& Dir, const std::string& Base, std::string& Name,
                   const std::string& Target) {
  static unsigned counter = 0;
  // Long names would not leave room for the suffix.
  std::string stem(1, '.');
  stem.append(Base, 0, 100);
  stem += ".saving-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto tick = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "%d-%u-%llx", static_cast<int>(::getpid()), counter++,
                  tick & 0xFFFFFFull);
    Name = Dir + "/" + stem + suffix;
    const int fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) throw EFileError(EFileError::fsSave, Target, errno);
  }
  throw EFileError(EFileError::fsSave, Target, EEXIST);
}

}  // namespace

void ReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Write) {
  std::string target = FileName;
  struct stat st{};
  if (::lstat(FileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(FileName.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw EFileError(EFileError::fsSave, FileName, EISDIR);

  std::string tempName;
  TFd fd(CreateTempFile(ParentDir(target), BaseName(target), tempName, FileName));
  try {
    if (exists) {
      // Changing the owner may need privileges the user lacks; the file is
      // then the user's.
      if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
      }
      if (::fchmod(fd.get(), st.st_mode & 07777) != 0) throw EFileError(EFileError::fsSave, FileName, errno);
    }
    Write(fd.get());
    if (::fsync(fd.get()) != 0) throw EFileError(EFileError::fsSave, FileName, errno);
    if (fd.Close() != 0) throw EFileError(EFileError::fsSave, FileName, errno);
    if (::rename(tempName.c_str(), target.c_str()) != 0) throw EFileError(EFileError::fsSave, FileName, errno);
  } catch (...) {
    fd.Close();
    ::unlink(tempName.c_str());
    throw;
  }
  // Make the new name itself durable; the data is already safe, so a
  // failure here is not reported.
  TFd dir(::open(ParentDir(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}
