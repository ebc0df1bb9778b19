#include "AFEdit/platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "AFEdit/platform/Cp932.h"

namespace {

const QString kCp932Mime = QStringLiteral("application/x-hotaru-cp932");
constexpr std::string_view kReplacement = "\x81\x45";  // ・

}  // namespace

void TClipboard::Put(std::string_view Text, std::string_view Exact) {
  auto* data = new QMimeData;
  data->setText(Cp932ToQString(Text));
  data->setData(kCp932Mime, QByteArray(Exact.data(), static_cast<qsizetype>(Exact.size())));
  QGuiApplication::clipboard()->setMimeData(data);
}

std::string TClipboard::Take(bool& Own, bool& Replaced) {
  Replaced = false;
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  Own = data && data->hasFormat(kCp932Mime);
  if (!data) return {};
  if (Own) {
    const QByteArray b = data->data(kCp932Mime);
    return std::string(b.constData(), static_cast<size_t>(b.size()));
  }
  if (!data->hasText()) return {};
  std::string out;
  Replaced = QStringToCp932Replacing(data->text(), out, kReplacement) > 0;
  return out;
}
