// Files through POSIX descriptors: reading, writing, and replacing a file
// so that a failed save never leaves it half written.  File errors are
// thrown as EFileError carrying the path and the system's message.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

// Owns a file descriptor.
class TFd {
public:
  explicit TFd(int fd = -1) noexcept : FFd(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  TFd(TFd&& o) noexcept : FFd(std::exchange(o.FFd, -1)) {}
  ~TFd();
  int get() const noexcept { return FFd; }
  // Closes the descriptor; the result of close().
  int Close() noexcept;

private:
  int FFd;
};

// Opens an existing file for reading (an open error otherwise).
TFd OpenForReading(const std::string& Path);
// The file's size when the system tells it, else 0.
size_t FileSizeHint(int Fd) noexcept;
// Reads at most n bytes; 0 only at the end of the file.
size_t ReadFd(int Fd, char* Dst, size_t N, const std::string& Path);
// Writes all n bytes at the file position, or at offset At.
void WriteFd(int Fd, const char* P, size_t N, const std::string& Path);
void PWriteFd(int Fd, const unsigned char* P, size_t N, off_t At, const std::string& Path);

// Replaces the file FileName with what Write writes into a new file's
// descriptor.  The new file is made beside the target, flushed to disk and
// renamed over it, so that the old file stays as it was when anything fails
// (the error is thrown, the temporary file removed).  A link is followed:
// the file it names is replaced and the link stays.  An existing file keeps
// its permissions, and its owner and group where the user may keep them.
void ReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Write);
