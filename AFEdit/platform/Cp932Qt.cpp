// The code page's conversions to and from Qt's strings, for the edges that
// speak Qt (glyph drawing, clipboard, input method, dialogs).
#include <QChar>
#include <QString>

#include <string>
#include <string_view>

#include "AFEdit/platform/Cp932.h"

QString Cp932ToQString(std::string_view bytes) {
  QString r;
  AppendCp932Units(bytes, r);
  return r;
}

void AppendCp932Units(std::string_view bytes, QString& out) {
  const qsizetype old = out.size();
  out.resize(old + static_cast<qsizetype>(bytes.size()));
  const size_t n = DecodeCp932Units(bytes, reinterpret_cast<char16_t*>(out.data() + old));
  out.resize(old + static_cast<qsizetype>(n));
}

namespace {

// Converts s into out character by character (a surrogate pair is one
// character).  A character without a CP932 code goes to Missing(index,
// out), which returns whether to go on.
template <class TMissing>
bool ConvertToCp932(const QString& s, std::string& out, TMissing Missing) {
  out.clear();
  out.reserve(static_cast<size_t>(s.size()) * 2);
  const qsizetype n = s.size();
  for (qsizetype i = 0; i < n;) {
    const char16_t c = s[i].unicode();
    char32_t u = c;
    qsizetype len = 1;
    if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
      u = QChar::surrogateToUcs4(c, s[i + 1].unicode());
      len = 2;
    }
    if (!UnicodeToCp932(u, out) && !Missing(i, out)) return false;
    i += len;
  }
  return true;
}

}  // namespace

int QStringToCp932Replacing(const QString& s, std::string& out, std::string_view replacement) {
  int replaced = 0;
  ConvertToCp932(s, out, [&](qsizetype, std::string& o) {
    o.append(replacement);
    ++replaced;
    return true;
  });
  return replaced;
}

bool QStringToCp932(const QString& s, std::string& out, int* badIndex) {
  int bad = -1;
  ConvertToCp932(s, out, [&](qsizetype i, std::string&) {
    bad = static_cast<int>(i);
    return false;
  });
  if (badIndex) *badIndex = bad;
  return bad < 0;
}
