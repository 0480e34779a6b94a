#include "productdescription.h"

#include <quelmcore/quelmcore.h>
#include <parts.h>
#include <sc18im700protocol.h>

#include <QtCore/QFile>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QRegularExpression>
#include <QtCore/QSet>

#include <algorithm>

namespace {

enum class Locator { Address, Pin, Port };
enum class ValueRule { None, OneByte, AddressSize };

// Everything that tells one kind of setting from another.
struct KindFacts
{
    SettingKind kind;
    const char* name;
    Locator locator;
    QList<Quelm::FieldTypes> addressTypes; // address texts the kind accepts
    ValueRule value;
    int defaultConfiguration;
    int lastNumber; // highest pin or port number
    SettingKindRow row;
};

// The DS4520 has nine I/O pins; its one port, 0, holds pins 0 to 7.
// A pin is active high by default (configuration bit 1).
const KindFacts kindTable[] = {
    {SettingKind::Byte, "byte", Locator::Address, {Quelm::ByteField}, ValueRule::AddressSize, 0, 0,
     {Quelm::UndefinedField, nullptr}},
    {SettingKind::Bytes, "bytes", Locator::Address, {Quelm::ByteArrayField}, ValueRule::AddressSize, 0, 0,
     {Quelm::UndefinedField, nullptr}},
    {SettingKind::Pin, "pin", Locator::Pin, {}, ValueRule::OneByte, 2, 8, {Quelm::BitField, "IO_"}},
    {SettingKind::Port, "port", Locator::Port, {}, ValueRule::OneByte, 0, 0, {Quelm::ByteField, "PORT_"}},
    {SettingKind::Null, "null", Locator::Address,
     {Quelm::ByteField, Quelm::BitField, Quelm::ByteArrayField}, ValueRule::None, 0, 0,
     {Quelm::UndefinedField, nullptr}},
    {SettingKind::Proxy, "proxy", Locator::Address,
     {Quelm::ByteField, Quelm::ByteArrayField}, ValueRule::None, 0, 0, {Quelm::ProxyField, nullptr}},
};

const KindFacts& factsOf(SettingKind kind)
{
    for (const KindFacts& facts : kindTable) {
        if (facts.kind == kind)
            return facts;
    }
    return kindTable[0];
}

const KindFacts* factsNamed(const QString& name)
{
    for (const KindFacts& facts : kindTable) {
        if (name == QLatin1String(facts.name))
            return &facts;
    }
    return nullptr;
}

// Reads one description, stopping at the first problem it finds.
class Reader
{
public:
    explicit Reader(const QString& fileName) : m_fileName(fileName) {}

    std::optional<ProductDescription> read(const QByteArray& json);
    QString error() const { return m_error; }

private:
    bool fail(const QString& message);
    bool readBoards(const QJsonArray& boards);
    bool readDevice(const QJsonObject& object, DeviceDescription& device);
    bool readSettings(const QJsonArray& settings);
    bool readSetting(const QJsonObject& object, SettingDescription& setting);
    bool readLocation(const QJsonObject& object, const KindFacts& facts, SettingDescription& setting);
    bool readValue(const QJsonObject& object, const KindFacts& facts, SettingDescription& setting);
    bool checkReferences();
    bool readInteger(const QJsonObject& object, const QString& key, int last, int& result,
                     const QString& context, bool required = true);
    bool readText(const QJsonObject& object, const QString& key, QString& result,
                  const QString& context, bool required = true);

    QString m_fileName;
    QString m_error;
    ProductDescription m_description;
};

bool Reader::fail(const QString& message)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1: %2").arg(m_fileName, message);
    return false;
}

bool Reader::readInteger(const QJsonObject& object, const QString& key, int last, int& result,
                         const QString& context, bool required)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() && !required)
        return true;
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > last || number != int(number))
        return fail(QStringLiteral("%1: \"%2\" must be a whole number from 0 to %3")
                        .arg(context, key).arg(last));
    result = int(number);
    return true;
}

bool Reader::readText(const QJsonObject& object, const QString& key, QString& result,
                      const QString& context, bool required)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() && !required)
        return true;
    if (!value.isString())
        return fail(QStringLiteral("%1: \"%2\" must be a text").arg(context, key));
    result = value.toString();
    return true;
}

std::optional<ProductDescription> Reader::read(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        m_error = jsonParseErrorText(m_fileName, json, parseError, QStringLiteral("description"));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(QStringLiteral("the description must be a JSON object"));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    QString busSelect = QStringLiteral("none");
    readText(root, QStringLiteral("busSelect"), busSelect, QStringLiteral("product"), false);
    if (busSelect != QLatin1String("gpio") && busSelect != QLatin1String("none"))
        fail(QStringLiteral("\"busSelect\" must be \"gpio\" or \"none\""));
    m_description.gpioBusSelect = busSelect == QLatin1String("gpio");
    if (!root.value(QStringLiteral("boards")).isArray())
        fail(QStringLiteral("\"boards\" must be a list"));
    if (!m_error.isEmpty() || !readBoards(root.value(QStringLiteral("boards")).toArray())
        || !readSettings(root.value(QStringLiteral("settings")).toArray()) || !checkReferences())
        return std::nullopt;
    return m_description;
}

bool Reader::readBoards(const QJsonArray& boards)
{
    QHash<int, QString> deviceAt; // bus << 8 | address -> device name
    QSet<QString> names;
    for (const QJsonValue& boardValue : boards) {
        const QJsonObject object = boardValue.toObject();
        BoardDescription board;
        if (!readText(object, QStringLiteral("title"), board.title, QStringLiteral("board")))
            return false;
        for (const QJsonValue& deviceValue : object.value(QStringLiteral("devices")).toArray()) {
            DeviceDescription device;
            if (!readDevice(deviceValue.toObject(), device))
                return false;
            if (names.contains(device.name))
                return fail(QStringLiteral("two devices are named \"%1\"").arg(device.name));
            const int key = device.bus << 8 | device.address;
            if (deviceAt.contains(key))
                return fail(QStringLiteral("devices \"%1\" and \"%2\" are both at bus %3 address %4")
                                .arg(deviceAt.value(key), device.name).arg(device.bus)
                                .arg(SC18IM700Protocol::hexByte(device.address)));
            deviceAt.insert(key, device.name);
            names.insert(device.name);
            board.devices.append(device);
        }
        m_description.boards.append(board);
    }
    return true;
}

bool Reader::readDevice(const QJsonObject& object, DeviceDescription& device)
{
    QString typeName;
    QString addressText;
    const QString context = QStringLiteral("device \"%1\"")
                                .arg(object.value(QStringLiteral("name")).toString());
    if (!readText(object, QStringLiteral("name"), device.name, QStringLiteral("device"))
        || !readText(object, QStringLiteral("type"), typeName, context)
        || !readInteger(object, QStringLiteral("bus"), 255, device.bus, context)
        || !readText(object, QStringLiteral("address"), addressText, context))
        return false;
    const std::optional<Device::DeviceTypes> type = deviceTypeFromName(typeName);
    if (!type)
        return fail(QStringLiteral("%1: unknown device type \"%2\"").arg(context, typeName));
    device.type = *type;
    static const QRegularExpression busAddress(QStringLiteral("^0[xX][0-9A-Fa-f]{1,2}$"));
    bool ok = false;
    device.address = addressText.mid(2).toInt(&ok, 16);
    if (!busAddress.match(addressText).hasMatch() || !ok || (device.address & 1))
        return fail(QStringLiteral("%1: address \"%2\" is not an 8-bit bus address (0x00 to 0xFE, even)")
                        .arg(context, addressText));
    return true;
}

bool Reader::readSettings(const QJsonArray& settings)
{
    for (const QJsonValue& value : settings) {
        SettingDescription setting;
        if (!readSetting(value.toObject(), setting))
            return false;
        if (m_description.settingIndex(setting.name) >= 0)
            return fail(QStringLiteral("two settings are named \"%1\"").arg(setting.name));
        m_description.settings.append(setting);
    }
    return true;
}

bool Reader::readSetting(const QJsonObject& object, SettingDescription& setting)
{
    QString kindName;
    if (!readText(object, QStringLiteral("name"), setting.name, QStringLiteral("setting")))
        return false;
    const QString context = QStringLiteral("setting \"%1\"").arg(setting.name);
    if (!readText(object, QStringLiteral("kind"), kindName, context)
        || !readText(object, QStringLiteral("device"), setting.device, context))
        return false;
    const KindFacts* facts = factsNamed(kindName);
    if (!facts)
        return fail(QStringLiteral("%1: unknown kind \"%2\"").arg(context, kindName));
    setting.kind = facts->kind;
    if (!m_description.device(setting.device))
        return fail(QStringLiteral("%1 names unknown device \"%2\"").arg(context, setting.device));
    setting.configuration = facts->defaultConfiguration;
    return readLocation(object, *facts, setting)
        && readInteger(object, QStringLiteral("configuration"), 255, setting.configuration, context, false)
        && readValue(object, *facts, setting)
        && readText(object, QStringLiteral("text"), setting.text, context, false)
        && readText(object, QStringLiteral("source"), setting.source, context,
                    facts->kind == SettingKind::Proxy);
}

bool Reader::readLocation(const QJsonObject& object, const KindFacts& facts,
                          SettingDescription& setting)
{
    const QString context = QStringLiteral("setting \"%1\"").arg(setting.name);
    if (facts.locator == Locator::Pin)
        return readInteger(object, QStringLiteral("pin"), facts.lastNumber, setting.number, context);
    if (facts.locator == Locator::Port)
        return readInteger(object, QStringLiteral("port"), facts.lastNumber, setting.number, context);
    if (!readText(object, QStringLiteral("address"), setting.address, context))
        return false;
    if (!facts.addressTypes.contains(MemoryAddress::fieldType(setting.address)))
        return fail(QStringLiteral("%1: address \"%2\" does not suit a %3 setting")
                        .arg(context, setting.address, QLatin1String(facts.name)));
    return true;
}

bool Reader::readValue(const QJsonObject& object, const KindFacts& facts, SettingDescription& setting)
{
    const QString context = QStringLiteral("setting \"%1\"").arg(setting.name);
    const QJsonValue value = object.value(QStringLiteral("value"));
    if (facts.value == ValueRule::None) {
        if (!value.isUndefined())
            return fail(QStringLiteral("%1: a %2 setting takes no value").arg(context, QLatin1String(facts.name)));
        return true;
    }
    QString text;
    if (!readText(object, QStringLiteral("value"), text, context))
        return false;
    QString reason;
    const std::optional<QByteArray> bytes = settingValue(setting, text, &reason);
    if (!bytes)
        return fail(reason);
    setting.value = *bytes;
    return true;
}

bool Reader::checkReferences()
{
    for (const SettingDescription& setting : qAsConst(m_description.settings)) {
        if (setting.kind != SettingKind::Proxy)
            continue;
        const int source = m_description.settingIndex(setting.source);
        if (source < 0)
            return fail(QStringLiteral("setting \"%1\" mirrors unknown setting \"%2\"")
                            .arg(setting.name, setting.source));
        const SettingKind sourceKind = m_description.settings.at(source).kind;
        if (sourceKind == SettingKind::Proxy || sourceKind == SettingKind::Null)
            return fail(QStringLiteral("setting \"%1\" cannot mirror the %2 setting \"%3\"")
                            .arg(setting.name, settingKindName(sourceKind), setting.source));
    }
    return true;
}

} // namespace

std::optional<ProductDescription> ProductDescription::load(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    return parse(file.readAll(), fileName, error);
}

std::optional<ProductDescription> ProductDescription::parse(const QByteArray& json,
                                                            const QString& fileName, QString* error)
{
    Reader reader(fileName);
    std::optional<ProductDescription> description = reader.read(json);
    if (!description)
        *error = reader.error();
    return description;
}

const DeviceDescription* ProductDescription::device(const QString& name) const
{
    for (const BoardDescription& board : boards) {
        for (const DeviceDescription& device : board.devices) {
            if (device.name == name)
                return &device;
        }
    }
    return nullptr;
}

int ProductDescription::settingIndex(const QString& name) const
{
    for (int index = 0; index < settings.size(); ++index) {
        if (settings.at(index).name == name)
            return index;
    }
    return -1;
}

SettingKindRow settingKindRow(SettingKind kind)
{
    return factsOf(kind).row;
}

QString settingKindName(SettingKind kind)
{
    return QLatin1String(factsOf(kind).name);
}

std::optional<Device::DeviceTypes> deviceTypeFromName(const QString& name)
{
    // Only a part with a driver: the tool makes the bus master itself.
    for (const Part& part : Part::table()) {
        if (part.create && part.name == name)
            return part.type;
    }
    return std::nullopt;
}

bool settingTakesValue(SettingKind kind)
{
    return factsOf(kind).value != ValueRule::None;
}

namespace {

bool isHexDigit(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= u'0' && code <= u'9') || (code >= u'a' && code <= u'f') || (code >= u'A' && code <= u'F');
}

QString byteCount(int count)
{
    return count == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(count);
}

} // namespace

// What is wrong is said in the order a person checks it: a character that
// is no hex digit, a digit without its pair, then the size.
std::optional<QByteArray> settingValue(const SettingDescription& setting, const QString& text, QString* error)
{
    const QString context = QStringLiteral("setting \"%1\": value \"%2\"").arg(setting.name, text);
    const auto notHex = std::find_if_not(text.cbegin(), text.cend(), isHexDigit);
    if (notHex != text.cend()) {
        *error = QStringLiteral("%1 is not hex: \"%2\" is not a hex digit").arg(context, *notHex);
        return std::nullopt;
    }
    if (text.size() % 2 != 0) {
        *error = QStringLiteral("%1: %2 %3: a byte needs two")
                     .arg(context).arg(text.size())
                     .arg(text.size() == 1 ? QStringLiteral("digit") : QStringLiteral("digits"));
        return std::nullopt;
    }
    const int expected = factsOf(setting.kind).value == ValueRule::OneByte
        ? 1 : MemoryAddress::memorySize(setting.address);
    if (text.size() / 2 != expected) {
        *error = QStringLiteral("%1 has %2, the setting holds %3")
                     .arg(context, byteCount(text.size() / 2), byteCount(expected));
        return std::nullopt;
    }
    return QByteArray::fromHex(text.toLatin1());
}

std::optional<QByteArray> parseHexValue(const QString& text)
{
    if (text.size() % 2 != 0 || !std::all_of(text.cbegin(), text.cend(), isHexDigit))
        return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

QString jsonParseErrorText(const QString& fileName, const QByteArray& json, const QJsonParseError& error,
                           const QString& what)
{
    // The parser stops one past the character it could not take.
    const QByteArray before = json.left(qMax(0, error.offset - 1));
    const int line = before.count('\n') + 1;
    const int column = before.size() - (before.lastIndexOf('\n') + 1) + 1;
    return QStringLiteral("%1:%2:%3: malformed %4: %5")
        .arg(fileName).arg(line).arg(column).arg(what, error.errorString());
}
