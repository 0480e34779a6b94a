#ifndef QUELMHOST_PRODUCTIMAGE_H
#define QUELMHOST_PRODUCTIMAGE_H

#include <QtCore/QBitArray>
#include <QtCore/QByteArray>
#include <QtCore/QDateTime>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

class Device;
class LoadedProduct;

// One device's memory in an image, with what names the device.
struct DeviceImage
{
    QString name;
    QString type;          // the part number, "CAT24AA02"
    int bus = 0;
    int address = 0;       // 8-bit bus address
    bool readBack = true;  // false: the values last written, the part cannot be read
    QByteArray memory;     // the whole memory from address 0
    QBitArray covered;     // the bytes the image sets; empty: all of them

    // "gain (AD5144A, bus 1, 0x58)"
    QString label() const;
    // Whether the image sets the byte at address.
    bool covers(int address) const;
    // Whether the device is the one this image was taken of.
    bool matches(const Device* device) const;
    static DeviceImage of(const Device* device);
};

// A run of addresses where an image and the product differ, with both values.
struct DifferingRange
{
    int start = 0;
    QByteArray image;
    QByteArray product;

    // "0x10-0x13: image 01 02 03 04, product 00 00 00 00"
    QString text() const;
};

// A product's memories as one JSON file: when and from where they were
// read, which description and devices they belong to, and each device's
// whole memory. Backups write it; restore and compare check it against the
// product before anything is sent.
class ProductImage
{
public:
    QDateTime created;
    QString connection;    // the port, or "built-in simulator"
    QString description;   // the description file's name
    QString devicesHash;   // hashOf() the description's devices
    QList<DeviceImage> devices;

    // Every device of the product, or those named, in the product's order:
    // what was read, and for a part that cannot be read back what the
    // mirror holds for it. A name the product does not know is left out.
    static ProductImage capture(const LoadedProduct& product, const QStringList& names = {});
    // Made now, through port (empty: the built-in simulator), of the
    // product that descriptionFile describes.
    void setOrigin(const QString& port, const QString& descriptionFile);
    // sha256 hex of each device's type, bus, address and name, in order.
    static QString hashOf(const QList<DeviceImage>& devices);

    QByteArray toJson() const;
    // The image in json, checked in full: well-formed, every key there with
    // the right kind of value, the memories hex. Null, with one line
    // "FILE: why" or "FILE:LINE:COLUMN: why" in error, when it is not.
    static std::optional<ProductImage> parse(const QByteArray& json, const QString& fileName, QString* error);

    // The first image device the product does not have as the image names
    // it, as one line; empty when every one matches.
    QString mismatch(const LoadedProduct& product) const;
    // The image's devices that names selects (all of them for none); the
    // first name not in the image goes to missing.
    QList<DeviceImage> select(const QStringList& names, QString* missing) const;
};

// The runs of bytes where wanted and found differ, over the bytes image
// covers.
QList<DifferingRange> differingRanges(const DeviceImage& image, const QByteArray& found);

#endif // QUELMHOST_PRODUCTIMAGE_H
