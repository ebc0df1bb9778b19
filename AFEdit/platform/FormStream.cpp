#include "AFEdit/platform/FormStream.h"

#include <QMetaClassInfo>
#include <QMetaProperty>

#include <string_view>

#include "AFEdit/platform/Types.h"

namespace {

// Named values that may stand as stream defaults.
std::optional<int> NamedValue(std::string_view name) {
  struct Named {
    std::string_view Name;
    int Value;
  };
  static constexpr Named kNames[] = {
      {"clBtnFace", clBtnFace},         {"clWindow", clWindow},
      {"clWindowText", clWindowText},   {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText}, {"clFuchsia", clFuchsia},
      {"clMaroon", clMaroon},           {"ssNone", 0},
      {"ssHorizontal", 1},              {"ssVertical", 2},
      {"ssBoth", 3},
  };
  for (const Named& n : kNames)
    if (n.Name == name) return n.Value;
  return std::nullopt;
}

}  // namespace

std::optional<QVariant> StreamDefault(const QObject& Object, const char* Property) {
  const QMetaObject* meta = Object.metaObject();
  const QByteArray key = QByteArray("StreamDefault:") + Property;
  for (int i = meta->classInfoCount() - 1; i >= 0; --i) {
    const QMetaClassInfo info = meta->classInfo(i);
    if (key != info.name()) continue;
    const std::string_view text = info.value();
    if (auto named = NamedValue(text)) return QVariant(*named);
    bool ok = false;
    const int n = QByteArray(info.value()).toInt(&ok);
    return ok ? QVariant(n) : QVariant(QByteArray(info.value()));
  }
  return std::nullopt;
}

QVariantMap WriteForm(const QObject& Object) {
  QVariantMap out;
  const QMetaObject* meta = Object.metaObject();
  for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
    const QMetaProperty p = meta->property(i);
    if (!p.isStored() || !p.isWritable()) continue;
    const QVariant value = p.read(&Object);
    if (auto def = StreamDefault(Object, p.name()); def && *def == value) continue;
    out.insert(QString::fromLatin1(p.name()), value);
  }
  return out;
}

void ReadForm(QObject& Object, const QVariantMap& Values) {
  for (auto it = Values.begin(); it != Values.end(); ++it)
    Object.setProperty(it.key().toLatin1().constData(), it.value());
}
