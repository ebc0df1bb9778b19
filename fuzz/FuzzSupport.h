// Shared pieces of the fuzz targets: the byte reader that decodes an input,
// row texts that keep the row store's rules, the Qt application the control
// needs, and the failure report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TCustomAFEdit;

namespace fuzz {

// Reads an input front to back; past its end every byte reads as 0, so any
// input decodes to some script.
class TInput {
public:
  TInput(const uint8_t* Data, size_t Size) noexcept : FData(Data), FSize(Size) {}
  bool Done() const noexcept { return FPos >= FSize; }
  uint8_t Byte() noexcept { return FPos < FSize ? FData[FPos++] : 0; }
  // Lo..Hi inclusive, from one byte.
  int Int(int Lo, int Hi) noexcept { return Lo + Byte() % (Hi - Lo + 1); }
  bool Bit() noexcept { return (Byte() & 1) != 0; }
  // Up to N raw bytes (fewer at the end of the input).
  std::string_view Bytes(size_t N) noexcept;

private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

// A row text, encoded as one head byte H and its bytes:
//   H & 0x3F  count
//   H & 0x40  the row ends with CR (only where CrAllowed)
//   H & 0x80  a run: a byte P, P % 8 literal bytes, then one fill byte
//             repeated (count + 1) * 8 times (long rows from short inputs);
//             otherwise count literal bytes follow.
// CR and LF bytes of the text become 0x0C: CR may only end a row, and no
// row of the store holds LF (loading splits lines at it).
std::string RowText(TInput& In, bool CrAllowed);

// An UndoMax value from one byte: B % 10 picks -1 (unlimited), 0, 1..6, 8
// or 16.
int UndoMaxChoice(uint8_t B) noexcept;

// Creates the offscreen QApplication once per process (with a private
// XDG_RUNTIME_DIR when none is set).
void InitQt();

// A private directory for files the targets write, removed at exit; on
// tmpfs when there is one, so that the saver's fsync costs nothing.
const std::string& ScratchDir();

// True when the environment variable is set to something but 0.
bool EnvFlag(const char* Name);
// HOTARU_FUZZ_TRACE: the targets print what they do.
bool Tracing();

// Reports a broken property on stderr and aborts, so that the fuzzer keeps
// the input.
[[noreturn]] void Fail(const std::string& What);

// Checks the control's invariants; Fail names Step when one is broken.
void Check(const TCustomAFEdit& E, const char* Step);

}  // namespace fuzz
