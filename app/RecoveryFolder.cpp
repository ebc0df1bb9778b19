#include "app/RecoveryFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "AFEdit/platform/FileError.h"

namespace {

std::string Parent(std::string Path) {
  while (Path.size() > 1 && Path.back() == '/') Path.pop_back();
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : Path.substr(0, slash);
}

// Creates Path and any missing folder above it, each new one 0700.
bool MakeFolders(const std::string& Path) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) == 0) return true;
  if (errno != ENOENT) return false;
  const std::string up = Parent(Path);
  if (up != Path && !MakeFolders(up)) return false;
  return ::mkdir(Path.c_str(), 0700) == 0 || errno == EEXIST;
}

}  // namespace

std::string FolderFault(const std::string& Folder) {
  struct stat st {};
  if (::stat(Folder.c_str(), &st) != 0) return "「" + Folder + "」を調べられません";
  if (!S_ISDIR(st.st_mode)) return "「" + Folder + "」はフォルダーではありません";
  if (st.st_uid != ::geteuid()) return "フォルダー「" + Folder + "」の所有者が別のユーザーです";
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return "フォルダー「" + Folder + "」に他のユーザーが書き込めます";
  return {};
}

std::string PrepareRecoveryFolder(const std::string& Folder) {
  const std::string state = Parent(Folder);
  for (const std::string& f : {state, Folder})
    if (!MakeFolders(f)) return "フォルダー「" + f + "」を作れません";
  for (const std::string& f : {state, Folder})
    if (std::string fault = FolderFault(f); !fault.empty()) return fault;
  return {};
}

TOpenOwn OpenOwnRegular(const std::string& File, TFd& Fd, uint64_t& Size) {
  TFd fd(::open(File.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ENOENT) return TOpenOwn::Missing;
    if (errno == ELOOP || errno == ENXIO) return TOpenOwn::Refused;  // a link; a socket
    throw EFileError(EFileError::fsOpen, File, errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw EFileError(EFileError::fsOpen, File, errno);
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return TOpenOwn::Refused;
  Size = static_cast<uint64_t>(st.st_size);
  Fd = std::move(fd);
  return TOpenOwn::Opened;
}

TFd CreatePrivate(const std::string& File) {
  TFd fd(::open(File.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0) throw EFileError(EFileError::fsSave, File, errno);
  return fd;
}

std::vector<TFolderEntry> ListFolder(const std::string& Folder, const std::string& Prefix,
                                     const std::string& Suffix) {
  std::vector<TFolderEntry> out;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Folder.c_str()), ::closedir);
  if (!dir) return out;
  const int dfd = ::dirfd(dir.get());
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string_view name = e->d_name;
    if (name.size() < Prefix.size() + Suffix.size() || !name.starts_with(Prefix) || !name.ends_with(Suffix))
      continue;
    struct stat st {};
    if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    out.push_back({std::string(name), static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
  }
  std::sort(out.begin(), out.end(), [](const TFolderEntry& A, const TFolderEntry& B) {
    return A.MTimeNs != B.MTimeNs ? A.MTimeNs > B.MTimeNs : A.Name < B.Name;
  });
  return out;
}
