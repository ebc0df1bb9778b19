// Files through POSIX descriptors: reading, writing, and replacing a file
// so that a failed save never leaves it half written.  File errors are
// thrown as EFileError carrying the path and the system's message.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
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
  TFd& operator=(TFd&& o) noexcept {
    if (this != &o) {
      Close();
      FFd = std::exchange(o.FFd, -1);
    }
    return *this;
  }
  ~TFd();
  int get() const noexcept { return FFd; }
  // Closes the descriptor; the result of close().
  int Close() noexcept;

private:
  int FFd;
};

// What tells one state of a file from another: which file it is, its size,
// its modification time and its inode change time.  A file changed or
// replaced by another program has a different identity, also when the
// program kept the size and set the modification time back (cp -p,
// touch -d): the change time cannot be set back.
struct TFileIdentity {
  dev_t Dev = 0;
  ino_t Ino = 0;
  int64_t Size = -1;  // -1: no file
  int64_t MTimeNs = 0;
  int64_t CTimeNs = 0;  // 0 in an identity kept where it was not recorded

  bool Valid() const noexcept { return Size >= 0; }
  // Both name the same file, whatever its state.
  bool SameFile(const TFileIdentity& O) const noexcept {
    return Valid() && O.Valid() && Dev == O.Dev && Ino == O.Ino;
  }
  // Now is the file in the state this identity recorded; a change time
  // that was not recorded is not compared.
  bool Unchanged(const TFileIdentity& Now) const noexcept {
    return SameFile(Now) && Size == Now.Size && MTimeNs == Now.MTimeNs &&
           (CTimeNs == 0 || CTimeNs == Now.CTimeNs);
  }
  friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
};

// The identity of an open file, or of the file a path names (links
// followed); an invalid identity when the system cannot tell it.
TFileIdentity IdentityOfFd(int Fd) noexcept;
TFileIdentity IdentityOfPath(const std::string& Path) noexcept;

// Opens an existing regular file for reading (an open error otherwise).
// Anything else (a folder, a FIFO, a device) is refused without waiting
// for a writer or touching the device.
TFd OpenForReading(const std::string& Path);
// The file's size when the system tells it, else 0.
size_t FileSizeHint(int Fd) noexcept;
// Reads at most n bytes; 0 only at the end of the file.
size_t ReadFd(int Fd, char* Dst, size_t N, const std::string& Path);
// Writes all n bytes at the file position, or at offset At.
void WriteFd(int Fd, const char* P, size_t N, const std::string& Path);
void PWriteFd(int Fd, const unsigned char* P, size_t N, off_t At, const std::string& Path);
// Writes Count pieces in order at the file position, many at a time
// (writev); the pieces are used up as they are written.
void WriteFdPieces(int Fd, struct iovec* Pieces, size_t Count, const std::string& Path);

// Replaces the file FileName with what Write writes into a new file's
// descriptor, and returns the identity of the file written.  The new file
// is made beside the target (readable and writable by the user alone until
// it has the target's owner, group and permissions), flushed to disk and
// renamed over it, so that the old file stays as it was when anything fails
// (the error is thrown, the temporary file removed).  A new file gets the
// permissions the umask allows.
//
// A symbolic link is followed to the file it names, which is replaced (or
// created, when the link dangles) while the link stays.  Where a new file
// could not keep what the existing one has (another owner or group that
// the user may not give away, permission bits the system would drop, or
// other names through hard links), the file is rewritten in place instead
// (WriteInPlace), which keeps the file itself.
//
// An existing file the user may not write, or that is not a regular file,
// is refused.  When the folder refuses the new file but the target itself
// is writable, the target is rewritten in place too.  Each save first
// removes the temporary files that interrupted saves left in the folder
// (RemoveStaleSaveTemps).
TFileIdentity ReplaceFile(const std::string& FileName, const std::function<void(int Fd)>& Write);

// Rewrites the existing regular file Target with what Write writes, keeping
// the file itself (its inode, links, owner and permissions).  The new bytes
// are made in memory first and room for them is reserved before the first
// byte of the file changes; should writing fail part-way all the same, the
// old bytes are put back when they could be read.  Name is the path errors
// report.
TFileIdentity WriteInPlace(const std::string& Target, const std::string& Name,
                           const std::function<void(int Fd)>& Write);

// The file Path names once symbolic links are followed, also when the last
// link dangles (its target is then a name where nothing is yet).  An error
// for a chain of links too long or a link that cannot be read.
std::string FollowLinks(const std::string& Path);

// The name of a save's temporary file for a file named Base, made by the
// process Pid on this machine; Unique tells apart the files of one process.
std::string SaveTempName(const std::string& Base, long Pid, unsigned long long Unique);
// Removes from Dir the temporary files of saves made on this machine by
// processes that have ended; never a file of a running process, of another
// machine or of another user.  Failures are ignored.
void RemoveStaleSaveTemps(const std::string& Dir) noexcept;
