#include "jsonedit.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

namespace {

// Walks a JSON text that is known to be valid, by byte offsets.
class Scanner
{
public:
    explicit Scanner(const QByteArray& text) : m_text(text) {}

    int skipSpace(int at) const
    {
        while (at < m_text.size() && (m_text.at(at) == ' ' || m_text.at(at) == '\t'
                                      || m_text.at(at) == '\n' || m_text.at(at) == '\r'))
            ++at;
        return at;
    }

    // The offset just past the value that starts at `at`.
    int skipValue(int at) const
    {
        const char first = m_text.at(at);
        if (first == '"')
            return skipString(at);
        if (first == '{' || first == '[') {
            int depth = 0;
            while (at < m_text.size()) {
                const char c = m_text.at(at);
                if (c == '"') {
                    at = skipString(at);
                    continue;
                }
                depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
                ++at;
                if (depth == 0)
                    return at;
            }
            return at;
        }
        while (at < m_text.size() && QByteArray(",]} \t\r\n").indexOf(m_text.at(at)) < 0)
            ++at; // a number, true, false or null
        return at;
    }

    int skipString(int at) const
    {
        for (++at; at < m_text.size(); ++at) {
            if (m_text.at(at) == '\\')
                ++at;
            else if (m_text.at(at) == '"')
                return at + 1;
        }
        return at;
    }

    // The string token [from, to) as text, escapes resolved.
    QString stringAt(int from, int to) const
    {
        const QByteArray wrapped = '[' + m_text.mid(from, to - from) + ']';
        return QJsonDocument::fromJson(wrapped).array().at(0).toString();
    }

    // The value of member `key` of the object at `object`, as [from, to);
    // the last one when the key repeats, as QJsonDocument takes it. With
    // none, *lastEnd is where the object's last member ends (or its "{").
    bool member(int object, const QString& key, int* from, int* to, int* lastEnd) const
    {
        bool found = false;
        int at = skipSpace(object + 1);
        *lastEnd = object + 1;
        while (at < m_text.size() && m_text.at(at) == '"') {
            const int keyEnd = skipString(at);
            const bool matches = stringAt(at, keyEnd) == key;
            const int valueStart = skipSpace(skipSpace(keyEnd) + 1); // past the ':'
            const int valueEnd = skipValue(valueStart);
            if (matches) {
                *from = valueStart;
                *to = valueEnd;
                found = true;
            }
            *lastEnd = valueEnd;
            at = skipSpace(valueEnd);
            if (at < m_text.size() && m_text.at(at) == ',')
                at = skipSpace(at + 1);
        }
        return found;
    }

    // The start of element `index` of the array at `array`, or -1.
    int element(int array, int index) const
    {
        int at = skipSpace(array + 1);
        for (int i = 0; at < m_text.size() && m_text.at(at) != ']'; ++i) {
            if (i == index)
                return at;
            at = skipSpace(skipValue(at));
            if (at < m_text.size() && m_text.at(at) == ',')
                at = skipSpace(at + 1);
        }
        return -1;
    }

    char at(int offset) const { return offset < m_text.size() ? m_text.at(offset) : '\0'; }

private:
    const QByteArray& m_text;
};

QByteArray jsonString(const QString& value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

std::optional<QByteArray> JsonEdit::withSettingValue(const QByteArray& json, int index, const QString& value)
{
    const Scanner scanner(json);
    const int root = scanner.skipSpace(0);
    int from = -1;
    int to = -1;
    int lastEnd = -1;
    if (scanner.at(root) != '{' || !scanner.member(root, QStringLiteral("settings"), &from, &to, &lastEnd)
        || scanner.at(from) != '[')
        return std::nullopt;
    const int setting = scanner.element(from, index);
    if (setting < 0 || scanner.at(setting) != '{')
        return std::nullopt;
    QByteArray changed = json;
    if (scanner.member(setting, QStringLiteral("value"), &from, &to, &lastEnd))
        return changed.replace(from, to - from, jsonString(value));
    const QByteArray separator = lastEnd > setting + 1 ? QByteArray(", ") : QByteArray();
    return changed.insert(lastEnd, separator + "\"value\": " + jsonString(value));
}
