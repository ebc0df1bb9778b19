// Files through POSIX descriptors: what may be read, what may be replaced
// and how, and the temporary files of interrupted saves.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AFEdit/platform/FileError.h"
#include "AFEdit/platform/PosixFile.h"
#include "common/PosixTest.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& Path) {
  std::ifstream f(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream f(Path, std::ios::binary | std::ios::trunc);
  f << Bytes;
}

std::vector<std::string> DirEntries(const std::string& Dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(Dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

// A writer putting Bytes into the new file.
auto Writer(const std::string& Bytes) {
  return [Bytes](int Fd) { WriteFd(Fd, Bytes.data(), Bytes.size(), "test"); };
}

// Replaces Path with Bytes; "ok", or the error's step, errno and message.
std::string TryReplace(const std::string& Path, const std::string& Bytes) {
  try {
    ReplaceFile(Path, Writer(Bytes));
    return "ok";
  } catch (const EFileError& e) {
    return "error " + std::to_string(e.Step()) + " " + std::to_string(e.SysError()) + " " + e.what();
  }
}

// A folder the ordinary user of AsOrdinaryUser may enter.
struct TSharedDir {
  TSharedDir() { ::chmod(Dir.path().c_str(), 0777); }
  std::string Path(const char* Name) const { return Dir.filePath(Name); }
  std::string Name() const { return Dir.path(); }
  TestUtil::TTempDir Dir;
};

ino_t InodeOf(const std::string& Path) {
  struct stat st{};
  return ::stat(Path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(PosixFile, AReadOnlyFileIsNotReplaced) {
  TSharedDir d;
  const std::string path = d.Path("ro.txt");
  WriteBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  // The folder lets anyone replace the file; the file itself says no.
  const std::string got = TestUtil::AsOrdinaryUser([&] { return TryReplace(path, "new"); });
  EXPECT_EQ(got.rfind("error " + std::to_string(EFileError::fsSave) + " " + std::to_string(EACCES), 0), 0u) << got;
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(DirEntries(d.Name()), (std::vector<std::string>{"ro.txt"}));
}

TEST(PosixFile, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
  TSharedDir d;
  const std::string path = d.Path("doc.txt");
  WriteBytes(path, "old contents, longer than the new");
  ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  const ino_t inode = InodeOf(path);
  ASSERT_EQ(::chmod(d.Name().c_str(), 0555), 0);
  const std::string got = TestUtil::AsOrdinaryUser([&] { return TryReplace(path, "new"); });
  ::chmod(d.Name().c_str(), 0755);
  EXPECT_EQ(got, "ok");
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(InodeOf(path), inode);
  EXPECT_EQ(DirEntries(d.Name()), (std::vector<std::string>{"doc.txt"}));
}

TEST(PosixFile, WritingInPlaceKeepsTheFileAndFailsWithoutCuttingIt) {
  TestUtil::TTempDir dir;
  const std::string path = dir.filePath("doc.txt");
  const std::string old(200000, 'o');
  WriteBytes(path, old);
  const ino_t inode = InodeOf(path);
  for (const std::string& bytes : {std::string("short"), std::string(300000, 'n'), std::string()}) {
    const TFileIdentity id = WriteInPlace(path, path, Writer(bytes));
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(InodeOf(path), inode);
    EXPECT_EQ(id, IdentityOfPath(path));
  }
  // The disk refuses the new bytes part-way: the old ones stay whole.
  WriteBytes(path, old);
  {
    const TestUtil::TFileSizeLimit limit(250000);
    ASSERT_TRUE(limit.Set());
    EXPECT_THROW(WriteInPlace(path, path, Writer(std::string(300000, 'n'))), EFileError);
  }
  EXPECT_EQ(ReadBytes(path), old);
}

TEST(PosixFile, ASaveRemovesOnlyTheTemporaryFilesOfEndedSaves) {
  TestUtil::TTempDir dir;
  const std::string d = dir.path();
  // A process that has ended.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = SaveTempName("doc.txt", gone, 0x1f);
  const std::string staleLong = SaveTempName(std::string(300, 'x'), gone, 7);
  std::string otherHost = SaveTempName("doc.txt", gone, 2);
  const size_t host = otherHost.rfind(".saving-") + 8;
  otherHost[host] = otherHost[host] == 'a' ? 'b' : 'a';
  const std::vector<std::string> kept = {
      SaveTempName("doc.txt", ::getpid(), 3),  // this process
      SaveTempName("doc.txt", 1, 4),           // a process that runs
      otherHost,                               // another machine's
      ".doc.txt.saving-junk", "doc.txt", "notes.saving-1"};
  for (const std::string& n : kept) WriteBytes(d + "/" + n, "x");
  WriteBytes(d + "/" + stale, "x");
  WriteBytes(d + "/" + staleLong, "x");
  // Only regular files are removed.
  const std::string staleDir = SaveTempName("dir", gone, 5);
  fs::create_directory(d + "/" + staleDir);

  ReplaceFile(d + "/doc.txt", Writer("new"));
  std::vector<std::string> expected = kept;
  expected.push_back(staleDir);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(DirEntries(d), expected);
  EXPECT_EQ(ReadBytes(d + "/doc.txt"), "new");
}

TEST(PosixFile, OnlyRegularFilesAreReadOrReplaced) {
  TestUtil::TTempDir dir;
  const std::string fifo = dir.filePath("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct TCase {
    std::string Path;
    int Errno;  // 0: the message says what the file is not
  };
  for (const TCase& c : {TCase{fifo, 0}, TCase{"/dev/null", 0}, TCase{dir.path(), EISDIR}}) {
    SCOPED_TRACE(c.Path);
    const TestUtil::TFifoUnblocker unblock(fifo);
    try {
      OpenForReading(c.Path);
      ADD_FAILURE() << "opened";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Step(), EFileError::fsOpen);
      EXPECT_EQ(e.SysError(), c.Errno);
      if (c.Errno == 0) {
        EXPECT_NE(std::string(e.what()).find("通常のファイルではありません"), std::string::npos);
      }
    }
  }
  // Saving does not put a regular file in the FIFO's place.
  EXPECT_THROW(ReplaceFile(fifo, Writer("x")), EFileError);
  struct stat st{};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(DirEntries(dir.path()), (std::vector<std::string>{"fifo"}));
}

struct stat StatOf(const std::string& Path) {
  struct stat st{};
  ::lstat(Path.c_str(), &st);
  return st;
}

// The user and group AsOrdinaryUser runs as under root.
struct TOrdinaryUser {
  uid_t Uid = 65534;
  gid_t Gid = 65534;
  TOrdinaryUser() {
    if (const passwd* p = ::getpwnam("nobody")) {
      Uid = p->pw_uid;
      Gid = p->pw_gid;
    }
  }
};

// Who owns a file, its permissions and its other names decide how it is
// saved; whatever the way, it keeps them all, and its other names see the
// new bytes.  The file's owner, group and mode are set up as root; the
// save runs as the ordinary user.
TEST(PosixFile, ASavedFileKeepsItsOwnerGroupModeAndLinks) {
  if (::geteuid() != 0) GTEST_SKIP() << "setting up another user's file needs root";
  const TOrdinaryUser user;
  struct TCase {
    const char* Name;
    uid_t Uid;
    gid_t Gid;
    mode_t Mode;
    bool HardLink;   // the file has a second name
    bool SameInode;  // the file itself is rewritten (not replaced)
  };
  const TCase cases[] = {
      {"another user's group-writable file", 0, user.Gid, 0664, false, true},
      {"the user's file in a group the user is not in", user.Uid, 0, 0660, false, true},
      {"a file with a second name", user.Uid, user.Gid, 0644, true, true},
      {"the user's private file", user.Uid, user.Gid, 0600, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSharedDir d;
    const std::string path = d.Path("doc.txt");
    const std::string other = d.Path("other-name.txt");
    WriteBytes(path, "old bytes");
    ASSERT_EQ(::chown(path.c_str(), c.Uid, c.Gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), c.Mode), 0);
    if (c.HardLink) {
      ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    }
    const ino_t inode = InodeOf(path);

    EXPECT_EQ(TestUtil::AsOrdinaryUser([&] { return TryReplace(path, "new"); }), "ok");
    const struct stat st = StatOf(path);
    EXPECT_EQ(st.st_uid, c.Uid);
    EXPECT_EQ(st.st_gid, c.Gid);
    EXPECT_EQ(st.st_mode & 07777, c.Mode);
    EXPECT_EQ(ReadBytes(path), "new");
    if (c.SameInode) {
      EXPECT_EQ(st.st_ino, inode);
    }
    if (c.HardLink) {
      EXPECT_EQ(ReadBytes(other), "new");
    }
    EXPECT_EQ(DirEntries(d.Name()).size(), c.HardLink ? 2u : 1u);
  }
}

// A save through a symbolic link writes the file at its end, which is made
// when the link dangles; the links stay links.
TEST(PosixFile, ASaveThroughALinkWritesItsTarget) {
  TestUtil::TTempDir dir;
  const std::string d = dir.path();
  fs::create_directory(d + "/sub");
  WriteBytes(d + "/sub/there.txt", "old");
  struct TCase {
    const char* Link;
    const char* To;      // what the link holds
    const char* Target;  // the file written, relative to the folder
  };
  const TCase cases[] = {
      {"existing", "sub/there.txt", "sub/there.txt"},
      {"dangling", "sub/new.txt", "sub/new.txt"},
      {"sub/up", "../made-above.txt", "made-above.txt"},
      {"chain", "sub/up2", "sub/end.txt"},
      {"sub/up2", "end.txt", "sub/end.txt"},
      {"absolute", "", "abs.txt"},
  };
  for (const TCase& c : cases) {
    const std::string to = *c.To ? c.To : d + "/" + c.Target;
    fs::create_symlink(to, d + "/" + c.Link);
  }
  const mode_t umask = ::umask(022);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Link);
    const std::string bytes = std::string("via ") + c.Link;
    EXPECT_EQ(TryReplace(d + "/" + c.Link, bytes), "ok");
    EXPECT_TRUE(fs::is_symlink(d + "/" + c.Link));
    EXPECT_EQ(ReadBytes(d + "/" + c.Target), bytes);
    EXPECT_EQ(StatOf(d + "/" + c.Target).st_mode & 07777, 0644u);
  }
  ::umask(umask);
  // Links in a ring lead nowhere: nothing is written.
  fs::create_symlink("ring-b", d + "/ring-a");
  fs::create_symlink("ring-a", d + "/ring-b");
  const std::string got = TryReplace(d + "/ring-a", "x");
  EXPECT_EQ(got.rfind("error " + std::to_string(EFileError::fsSave) + " " + std::to_string(ELOOP), 0), 0u) << got;
  EXPECT_TRUE(fs::is_symlink(d + "/ring-a"));
}

// Until its bytes are complete the new file is readable by the user alone,
// whatever the umask and the old file's permissions; then it gets them.
TEST(PosixFile, TheNewFileIsTheUsersAloneWhileItIsWritten) {
  TestUtil::TTempDir dir;
  const std::string d = dir.path();
  const mode_t umask = ::umask(0);
  for (const mode_t old : {mode_t{0644}, mode_t{0600}, mode_t{0}}) {
    SCOPED_TRACE(old);
    const std::string path = d + "/doc" + std::to_string(old) + ".txt";
    if (old) {
      WriteBytes(path, "old");
      ASSERT_EQ(::chmod(path.c_str(), old), 0);
    }
    mode_t whileWritten = 0;
    ReplaceFile(path, [&](int Fd) {
      struct stat st{};
      ::fstat(Fd, &st);
      whileWritten = st.st_mode & 07777;
      WriteFd(Fd, "new", 3, path);
    });
    EXPECT_EQ(whileWritten, 0600u);
    EXPECT_EQ(StatOf(path).st_mode & 07777, old ? old : 0666u);
    EXPECT_EQ(ReadBytes(path), "new");
  }
  ::umask(umask);
}

// Another program that keeps the size and sets the modification time back
// (cp -p, touch -d) still changes the file's identity.
TEST(PosixFile, AChangeBehindTheModificationTimeIsSeen) {
  TestUtil::TTempDir dir;
  const std::string path = dir.filePath("doc.txt");
  WriteBytes(path, "abc");
  const TFileIdentity before = IdentityOfPath(path);
  WriteBytes(path, "xyz");
  const timespec times[2] = {{0, UTIME_OMIT},
                             {static_cast<time_t>(before.MTimeNs / 1000000000), before.MTimeNs % 1000000000}};
  // The change time moves with the kernel's clock, which may be coarse:
  // touching the file again until it moves stands for a change made a
  // moment later.
  for (int i = 0; i < 200000 && IdentityOfPath(path).CTimeNs == before.CTimeNs; ++i)
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  const TFileIdentity now = IdentityOfPath(path);
  EXPECT_EQ(now.Size, before.Size);
  EXPECT_EQ(now.MTimeNs, before.MTimeNs);
  EXPECT_NE(now, before);
  EXPECT_FALSE(before.Unchanged(now));
  EXPECT_TRUE(now.Unchanged(IdentityOfPath(path)));
}

}  // namespace
