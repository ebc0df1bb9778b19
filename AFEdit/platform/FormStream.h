// Writing and reading an object's published properties as a form stores
// them: a property whose value equals its stream default (class info
// "StreamDefault:<name>") is left out; the others are written by name.
#pragma once

#include <QObject>
#include <QVariantMap>

#include <optional>

// The stream default of a property, when the class declares one.
std::optional<QVariant> StreamDefault(const QObject& Object, const char* Property);
// The values a form would store for Object.
QVariantMap WriteForm(const QObject& Object);
// Applies stored values to Object (properties that are absent keep theirs).
void ReadForm(QObject& Object, const QVariantMap& Values);
