#include "settingsfile.h"

#include "jsonedit.h"
#include "productdescription.h"
#include "savefile.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

// Each value's text is changed where it stands, so that the rest of the
// user's file keeps every byte; the result must read as the same document
// with only those values changed, and pass the same checks as the original,
// before it replaces the file.
bool assignSettings(const QString& fileName, const QStringList& assignments, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray original = file.readAll();
    file.close();
    const std::optional<ProductDescription> description = ProductDescription::parse(original, fileName, error);
    if (!description)
        return false;
    QJsonObject expected = QJsonDocument::fromJson(original).object();
    QJsonArray settings = expected.value(QStringLiteral("settings")).toArray();
    QByteArray changed = original;
    for (const QString& assignment : assignments) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        const int index = description->settingIndex(assignment.left(equals));
        if (equals <= 0) {
            *error = QStringLiteral("\"%1\" is not NAME=VALUE").arg(assignment);
            return false;
        }
        if (index < 0) {
            *error = QStringLiteral("%1: no setting is named \"%2\"").arg(fileName, assignment.left(equals));
            return false;
        }
        const QString value = assignment.mid(equals + 1);
        QJsonObject setting = settings.at(index).toObject();
        setting.insert(QStringLiteral("value"), value);
        settings.replace(index, setting);
        const std::optional<QByteArray> edited = JsonEdit::withSettingValue(changed, index, value);
        if (!edited) {
            *error = QStringLiteral("%1: cannot find setting \"%2\" in the text")
                         .arg(fileName, assignment.left(equals));
            return false;
        }
        changed = *edited;
    }
    expected.insert(QStringLiteral("settings"), settings);
    if (QJsonDocument::fromJson(changed).object() != expected) {
        *error = QStringLiteral("%1: the edited text does not read back as the changed description; "
                                "the file is left as it was").arg(fileName);
        return false;
    }
    if (!ProductDescription::parse(changed, fileName, error))
        return false;
    return saveFile(fileName, changed, error);
}
