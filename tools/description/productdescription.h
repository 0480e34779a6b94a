#ifndef QUELMDESCRIPTION_PRODUCTDESCRIPTION_H
#define QUELMDESCRIPTION_PRODUCTDESCRIPTION_H

#include <device.h>
#include <quelmcore/quelmcore.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QJsonParseError>
#include <QtCore/QString>

#include <optional>

// How a setting is bound to device memory. One line of the kind table in
// description.cpp per value.
enum class SettingKind { Byte, Bytes, Pin, Port, Null, Proxy };

struct DeviceDescription
{
    Device::DeviceTypes type = Device::CAT24AA02;
    int bus = 0;
    int address = 0; // 8-bit bus address
    QString name;
};

struct BoardDescription
{
    QString title;
    QList<DeviceDescription> devices;
};

struct SettingDescription
{
    QString name;
    QString device;
    SettingKind kind = SettingKind::Byte;
    QString address;      // the host's address text; empty for pins and ports
    int number = 0;       // pin or port number
    int configuration = 0;
    QByteArray value;
    QString source;       // proxy: the mirrored setting
    QString text;         // null: the note
};

// A product as a JSON file describes it: boards with their devices, whether
// bus segments are selected through the bridge's GPIO port, and the settings
// that become model rows.
struct ProductDescription
{
    bool gpioBusSelect = false;
    QList<BoardDescription> boards;
    QList<SettingDescription> settings;

    // Each returns null and sets error to one line "FILE: ..." when the
    // description is malformed or inconsistent; the tool that reads it puts
    // its name in front.
    static std::optional<ProductDescription> load(const QString& fileName, QString* error);
    static std::optional<ProductDescription> parse(const QByteArray& json, const QString& fileName,
                                                   QString* error);

    const DeviceDescription* device(const QString& name) const;
    int settingIndex(const QString& name) const;
};

// How a kind of setting becomes a row of the host's model.
struct SettingKindRow
{
    Quelm::FieldTypes fieldType; // UndefinedField: the type of the setting's address text
    const char* numberPrefix;    // pins and ports: "IO_", "PORT_" before the number; else null
};
SettingKindRow settingKindRow(SettingKind kind);

// The kind's name in a description ("byte", "pin", ...).
QString settingKindName(SettingKind kind);
// The device type whose Device::deviceName is name, for types with a driver.
std::optional<Device::DeviceTypes> deviceTypeFromName(const QString& name);
// Whether a setting of the kind holds a value of its own.
bool settingTakesValue(SettingKind kind);
// The bytes a value text gives the setting, taken as typed (no spaces, no
// "0x"); none, with one line in error that says why, when the text is not
// hex ("setting "io": value "0x01" is not hex: "x" is not a hex digit"),
// has an odd number of digits ("value "123": 3 digits: a byte needs two")
// or is not the setting's size ("value "12" has 1 byte, the setting holds
// 4 bytes"). quelmctl's set, the description reader and quelm-studio's
// editor all check values here.
std::optional<QByteArray> settingValue(const SettingDescription& setting, const QString& text, QString* error);
// A value text: an even number of hexadecimal digits, nothing else.
std::optional<QByteArray> parseHexValue(const QString& text);

// "file:3:14: malformed WHAT: why": where in json the parser gave up, as
// editors count lines and columns.
QString jsonParseErrorText(const QString& fileName, const QByteArray& json, const QJsonParseError& error,
                           const QString& what);

#endif // QUELMDESCRIPTION_PRODUCTDESCRIPTION_H
