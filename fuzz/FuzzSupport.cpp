#include "fuzz/FuzzSupport.h"

#include <QApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "AFEdit/AFEdit.h"

namespace fuzz {

std::string_view TInput::Bytes(size_t N) noexcept {
  if (N > FSize - FPos) N = FSize - FPos;
  const std::string_view s(reinterpret_cast<const char*>(FData + FPos), N);
  FPos += N;
  return s;
}

namespace {
char SafeByte(char c) noexcept { return c == '\r' || c == '\n' ? '\x0C' : c; }
}  // namespace

std::string RowText(TInput& In, bool CrAllowed) {
  const uint8_t h = In.Byte();
  const size_t count = h & 0x3F;
  std::string s;
  if (h & 0x80) {
    s = In.Bytes(In.Byte() % 8);
    s.append((count + 1) * 8, static_cast<char>(In.Byte()));
  } else {
    s = In.Bytes(count);
  }
  for (char& c : s) c = SafeByte(c);
  if (CrAllowed && (h & 0x40)) s.push_back('\r');
  return s;
}

int UndoMaxChoice(uint8_t B) noexcept {
  static const int kChoices[] = {-1, 0, 1, 2, 3, 4, 5, 6, 8, 16};
  return kChoices[B % 10];
}

namespace {

// Removes a directory tree at exit.
struct TTempDir {
  std::string Path;
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  explicit TTempDir(const char* Prefix) {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
      base = std::filesystem::temp_directory_path();
    std::string p = (base / (std::string(Prefix) + "XXXXXX")).string();
    if (!::mkdtemp(p.data())) Fail("cannot create a temporary directory in " + base.string());
    Path = p;
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
};

}  // namespace

void InitQt() {
  static bool done = false;
  if (done) return;
  done = true;
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qgetenv("XDG_RUNTIME_DIR").isEmpty()) {
    static const TTempDir runtime("hotaru-fuzz-run-");
    qputenv("XDG_RUNTIME_DIR", runtime.Path.c_str());
  }
  static int argc = 1;
  static char name[] = "hotaru-fuzz";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

const std::string& ScratchDir() {
  static const TTempDir dir("hotaru-fuzz-");
  return dir.Path;
}

bool EnvFlag(const char* Name) {
  const char* v = std::getenv(Name);
  return v && *v && *v != '0';
}

bool Tracing() {
  static const bool on = EnvFlag("HOTARU_FUZZ_TRACE");
  return on;
}

void Fail(const std::string& What) {
  std::fprintf(stderr, "\n*** fuzz check failed: %s\n", What.c_str());
  std::fflush(stderr);
  std::abort();
}

void Check(const TCustomAFEdit& E, const char* Step) {
  const std::string err = E.CheckInvariants();
  if (!err.empty()) Fail(std::string("after ") + Step + ": " + err);
}

}  // namespace fuzz
