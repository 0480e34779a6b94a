#ifndef QUELMHOST_JSONEDIT_H
#define QUELMHOST_JSONEDIT_H

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

// Edits a JSON text where it stands, so that a file a person keeps by hand
// keeps its key order, indentation and every other byte: only the one value
// asked for changes.
namespace JsonEdit {

// The text with the "value" member of element `index` of the top-level
// "settings" array set to the string `value`: the old value's text is
// replaced, or, where the element has none, the member is added after its
// last one. None when the text holds no such element. The text must be
// valid JSON (as QJsonDocument reads it).
std::optional<QByteArray> withSettingValue(const QByteArray& json, int index, const QString& value);

} // namespace JsonEdit

#endif // QUELMHOST_JSONEDIT_H
