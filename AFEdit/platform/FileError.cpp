#include "AFEdit/platform/FileError.h"

#include <system_error>
#include <utility>

namespace {

std::string ReasonOf(int SysError, const std::string& Detail) {
  if (SysError != 0) return std::system_category().message(SysError);
  return Detail.empty() ? std::string("原因不明のエラーです") : Detail;
}

std::string MessageOf(EFileError::TStep Step, const std::string& Path, const std::string& Reason) {
  // Streams have no name: the message then speaks of the document.
  const std::string what = Path.empty() ? std::string("文書") : "ファイル「" + Path + "」";
  switch (Step) {
    case EFileError::fsOpen:
      return what + "を開けません: " + Reason;
    case EFileError::fsRead:
      return what + "を読み込めません: " + Reason;
    case EFileError::fsSave:
      return what + "を保存できません: " + Reason;
    case EFileError::fsFormat:
      return what + "はバイナリ形式の文書として読み込めません: " + Reason;
  }
  return what + ": " + Reason;
}

}  // namespace

EFileError::EFileError(TStep Step, std::string Path, int SysError, const std::string& Detail)
    : std::runtime_error(MessageOf(Step, Path, ReasonOf(SysError, Detail))),
      FStep(Step),
      FPath(std::move(Path)),
      FSysError(SysError),
      FReason(ReasonOf(SysError, Detail)) {}
