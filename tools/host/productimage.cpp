#include "productimage.h"

#include "product.h"

#include <sc18im700protocol.h>

#include <QtCore/QCryptographicHash>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <algorithm>

namespace {

const QString FormatName = QStringLiteral("quelm product image");
constexpr int FormatVersion = 1;

QString spacedHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// Reads one image document, remembering the first thing wrong with it.
class ImageReader
{
public:
    explicit ImageReader(const QString& fileName) : m_fileName(fileName) {}

    std::optional<ProductImage> read(const QByteArray& json);
    QString error() const { return m_error; }

private:
    bool fail(const QString& why)
    {
        m_error = QStringLiteral("%1: %2").arg(m_fileName, why);
        return false;
    }
    bool text(const QJsonObject& object, const QString& key, const QString& where, QString* value);
    bool readDevice(const QJsonValue& value, int index, DeviceImage* device);

    QString m_fileName;
    QString m_error;
};

bool ImageReader::text(const QJsonObject& object, const QString& key, const QString& where, QString* value)
{
    const QJsonValue found = object.value(key);
    if (!found.isString() || found.toString().isEmpty())
        return fail(QStringLiteral("%1has no \"%2\" text").arg(where, key));
    *value = found.toString();
    return true;
}

bool ImageReader::readDevice(const QJsonValue& value, int index, DeviceImage* device)
{
    const QString where = QStringLiteral("device %1 ").arg(index + 1);
    const QJsonObject object = value.toObject();
    QString address;
    QString memory;
    if (!value.isObject())
        return fail(where + QStringLiteral("is not an object"));
    if (!text(object, QStringLiteral("name"), where, &device->name)
        || !text(object, QStringLiteral("type"), where, &device->type)
        || !text(object, QStringLiteral("address"), where, &address)
        || !text(object, QStringLiteral("memory"), where, &memory))
        return false;
    const QString named = QStringLiteral("device \"%1\" ").arg(device->name);
    const QJsonValue bus = object.value(QStringLiteral("bus"));
    if (!bus.isDouble() || bus.toInt(-1) < 0 || bus.toInt(-1) > 255 || bus.toDouble() != bus.toInt(-1))
        return fail(named + QStringLiteral("has no bus number from 0 to 255"));
    device->bus = bus.toInt();
    bool ok = false;
    device->address = address.startsWith(QLatin1String("0x")) ? address.mid(2).toInt(&ok, 16) : -1;
    if (!ok || device->address < 0 || device->address > 0xFF)
        return fail(named + QStringLiteral("has the address \"%1\", not 0x00 to 0xFF").arg(address));
    const QJsonValue readBack = object.value(QStringLiteral("readBack"));
    if (!readBack.isBool())
        return fail(named + QStringLiteral("has no \"readBack\" true or false"));
    device->readBack = readBack.toBool();
    const std::optional<QByteArray> bytes = parseHexValue(memory);
    if (!bytes)
        return fail(named + QStringLiteral("has a memory that is not hex"));
    device->memory = *bytes;
    return true;
}

std::optional<ProductImage> ImageReader::read(const QByteArray& json)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        m_error = jsonParseErrorText(m_fileName, json, parseError, QStringLiteral("image"));
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != FormatName
        || root.value(QStringLiteral("version")).toInt() != FormatVersion) {
        fail(QStringLiteral("not a product image of version %1").arg(FormatVersion));
        return std::nullopt;
    }
    ProductImage image;
    QString created;
    if (!text(root, QStringLiteral("created"), QString(), &created)
        || !text(root, QStringLiteral("connection"), QString(), &image.connection)
        || !text(root, QStringLiteral("description"), QString(), &image.description)
        || !text(root, QStringLiteral("devicesSha256"), QString(), &image.devicesHash))
        return std::nullopt;
    image.created = QDateTime::fromString(created, Qt::ISODate);
    const QJsonArray devices = root.value(QStringLiteral("devices")).toArray();
    if (devices.isEmpty()) {
        fail(QStringLiteral("has no \"devices\" list"));
        return std::nullopt;
    }
    for (int index = 0; index < devices.size(); ++index) {
        DeviceImage device;
        if (!readDevice(devices.at(index), index, &device))
            return std::nullopt;
        image.devices.append(device);
    }
    return image;
}

} // namespace

QString DeviceImage::label() const
{
    return QStringLiteral("%1 (%2, bus %3, %4)").arg(name, type).arg(bus).arg(SC18IM700Protocol::hexByte(address));
}

bool DeviceImage::covers(int address) const
{
    return covered.isEmpty() || covered.testBit(address);
}

bool DeviceImage::matches(const Device* device) const
{
    return device && device->name() == name && device->deviceName() == type && device->busNumber() == bus
        && device->busAddress() == address;
}

DeviceImage DeviceImage::of(const Device* device)
{
    DeviceImage image;
    image.name = device->name();
    image.type = device->deviceName();
    image.bus = device->busNumber();
    image.address = device->busAddress();
    image.readBack = device->readPages() > 0;
    image.memory = (image.readBack ? device->rxBuffer() : device->txBuffer()).left(device->memorySize());
    return image;
}

QString DifferingRange::text() const
{
    const int end = start + image.size() - 1;
    const QString range = end == start ? SC18IM700Protocol::hexByte(start)
                                       : QStringLiteral("%1-%2").arg(SC18IM700Protocol::hexByte(start),
                                                                     SC18IM700Protocol::hexByte(end));
    return QStringLiteral("%1: image %2, product %3").arg(range, spacedHex(image), spacedHex(product));
}

QList<DifferingRange> differingRanges(const DeviceImage& image, const QByteArray& found)
{
    QList<DifferingRange> ranges;
    int last = -2;
    for (int address = 0; address < image.memory.size(); ++address) {
        const char wanted = image.memory.at(address);
        const char held = address < found.size() ? found.at(address) : char(0);
        if (!image.covers(address) || wanted == held)
            continue;
        if (last != address - 1)
            ranges.append({address, {}, {}});
        ranges.last().image.append(wanted);
        ranges.last().product.append(held);
        last = address;
    }
    return ranges;
}

ProductImage ProductImage::capture(const LoadedProduct& product, const QStringList& names)
{
    ProductImage image;
    QList<DeviceImage> all;
    const QList<Device*> devices = product.product()->devices();
    for (const Device* device : devices) {
        all.append(DeviceImage::of(device));
        if (names.isEmpty() || names.contains(device->name()))
            image.devices.append(all.last());
    }
    image.devicesHash = hashOf(all);
    return image;
}

void ProductImage::setOrigin(const QString& port, const QString& descriptionFile)
{
    created = QDateTime::currentDateTimeUtc();
    connection = port.isEmpty() ? QStringLiteral("built-in simulator") : port;
    description = QFileInfo(descriptionFile).fileName();
}

QString ProductImage::hashOf(const QList<DeviceImage>& devices)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const DeviceImage& device : devices)
        hash.addData(QStringLiteral("%1 %2 %3 %4\n").arg(device.type).arg(device.bus)
                         .arg(SC18IM700Protocol::hexByte(device.address), device.name).toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

QByteArray ProductImage::toJson() const
{
    QJsonArray list;
    for (const DeviceImage& device : devices)
        list.append(QJsonObject{{QStringLiteral("name"), device.name},
                                {QStringLiteral("type"), device.type},
                                {QStringLiteral("bus"), device.bus},
                                {QStringLiteral("address"), SC18IM700Protocol::hexByte(device.address)},
                                {QStringLiteral("readBack"), device.readBack},
                                {QStringLiteral("memory"), hexBytes(device.memory)}});
    const QJsonObject root{{QStringLiteral("format"), FormatName},
                           {QStringLiteral("version"), FormatVersion},
                           {QStringLiteral("created"), created.toUTC().toString(Qt::ISODate)},
                           {QStringLiteral("connection"), connection},
                           {QStringLiteral("description"), description},
                           {QStringLiteral("devicesSha256"), devicesHash},
                           {QStringLiteral("devices"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<ProductImage> ProductImage::parse(const QByteArray& json, const QString& fileName, QString* error)
{
    ImageReader reader(fileName);
    std::optional<ProductImage> image = reader.read(json);
    if (!image)
        *error = reader.error();
    return image;
}

QString ProductImage::mismatch(const LoadedProduct& product) const
{
    for (const DeviceImage& image : devices) {
        const Device* const device = product.device(image.name);
        if (!device)
            return QStringLiteral("the product has no device \"%1\"; the image has %2").arg(image.name, image.label());
        const DeviceImage described = DeviceImage::of(device);
        if (!image.matches(device))
            return QStringLiteral("the image has %1, the product %2").arg(image.label(), described.label());
        if (image.memory.size() != device->memorySize())
            return QStringLiteral("the image holds %1 bytes of %2, the part has %3")
                .arg(image.memory.size()).arg(image.label()).arg(device->memorySize());
        if (image.readBack != described.readBack)
            return QStringLiteral("the image has %1 as %2 read back").arg(image.label(),
                                                                          image.readBack ? QString() : QStringLiteral("not "));
    }
    return {};
}

QList<DeviceImage> ProductImage::select(const QStringList& names, QString* missing) const
{
    QList<DeviceImage> chosen;
    for (const DeviceImage& device : devices) {
        if (names.isEmpty() || names.contains(device.name))
            chosen.append(device);
    }
    for (const QString& name : names) {
        const bool found = std::any_of(chosen.cbegin(), chosen.cend(),
                                       [&](const DeviceImage& device) { return device.name == name; });
        if (!found) {
            *missing = name;
            break;
        }
    }
    return chosen;
}
