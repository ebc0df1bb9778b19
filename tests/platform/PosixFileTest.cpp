// Files through POSIX descriptors: what may be read, what may be replaced
// and how, and the temporary files of interrupted saves.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

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
  TSharedDir() { ::chmod(Dir.path().toLocal8Bit().constData(), 0777); }
  std::string Path(const char* Name) const { return Dir.filePath(Name).toStdString(); }
  std::string Name() const { return Dir.path().toStdString(); }
  QTemporaryDir Dir;
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
  QTemporaryDir dir;
  const std::string path = dir.filePath("doc.txt").toStdString();
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
  QTemporaryDir dir;
  const std::string d = dir.path().toStdString();
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
  QTemporaryDir dir;
  const std::string fifo = dir.filePath("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct TCase {
    std::string Path;
    int Errno;  // 0: the message says what the file is not
  };
  for (const TCase& c : {TCase{fifo, 0}, TCase{"/dev/null", 0}, TCase{dir.path().toStdString(), EISDIR}}) {
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
  EXPECT_EQ(DirEntries(dir.path().toStdString()), (std::vector<std::string>{"fifo"}));
}

}  // namespace
