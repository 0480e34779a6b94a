#include "servicetext.h"

#include "product.h"

#include <QtCore/QFile>

#include <algorithm>

std::optional<QList<DeviceImage>> checkedImage(const QString& fileName, const LoadedProduct& product,
                                               const QStringList& names, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    const std::optional<ProductImage> image = ProductImage::parse(file.readAll(), fileName, error);
    if (!image)
        return std::nullopt;
    const QString mismatch = image->mismatch(product);
    if (!mismatch.isEmpty()) {
        *error = QStringLiteral("%1: %2").arg(fileName, mismatch);
        return std::nullopt;
    }
    QString missing;
    const QList<DeviceImage> chosen = image->select(names, &missing);
    if (!missing.isEmpty()) {
        *error = QStringLiteral("%1: the image has no device \"%2\"").arg(fileName, missing);
        return std::nullopt;
    }
    return chosen;
}

QStringList backupLines(const ProductImage& image, const QString& fileName)
{
    const int count = int(image.devices.size());
    QStringList lines{QStringLiteral("backup: %1 %2 in %3")
                          .arg(count).arg(count == 1 ? QStringLiteral("device") : QStringLiteral("devices"), fileName)};
    for (const DeviceImage& device : image.devices) {
        if (!device.readBack)
            lines.append(QStringLiteral("backup: %1 cannot be read back: the values last written").arg(device.label()));
    }
    return lines;
}

namespace {

QString restoredText(const RestoredDevice& restored, const VerifyResult& verified, int headerEnd,
                     const QString& headerHint)
{
    const DeviceImage& image = restored.image;
    const bool differs = std::any_of(verified.mismatches.cbegin(), verified.mismatches.cend(),
                                     [&](const PageMismatch& mismatch) { return mismatch.device == image.name; });
    QString line = QStringLiteral("restore: %1: %2 %3, ").arg(image.label()).arg(restored.changedBytes)
                       .arg(restored.changedBytes == 1 ? QStringLiteral("byte changed") : QStringLiteral("bytes changed"));
    line += !image.readBack ? QStringLiteral("written, not read back")
          : differs ? QStringLiteral("read back other than written")
                    : QStringLiteral("verified");
    if (headerEnd > 0)
        line += QStringLiteral("; the header's first %1 bytes kept (%2)").arg(headerEnd).arg(headerHint);
    return line;
}

} // namespace

QStringList restoreLines(const ActionResult& result, const LoadedProduct& product, bool withHeader,
                         const QString& headerHint)
{
    QStringList lines;
    if (!result.verify)
        return lines;
    const Device* const header = product.headerDevice();
    for (const RestoredDevice& restored : result.restored) {
        const bool keptHeader = !withHeader && restored.image.matches(header);
        lines.append(restoredText(restored, *result.verify, keptHeader ? product.headerSize() : 0, headerHint));
    }
    return lines;
}

int differingDevices(const QList<DeviceComparison>& compared)
{
    return int(std::count_if(compared.cbegin(), compared.cend(),
                             [](const DeviceComparison& comparison) { return !comparison.equal(); }));
}

QStringList compareLines(const QList<DeviceComparison>& compared)
{
    QStringList lines;
    for (const DeviceComparison& comparison : compared) {
        const QString label = comparison.image.label();
        if (!comparison.image.readBack)
            lines.append(label + QStringLiteral(": not read back, not compared"));
        else if (comparison.equal())
            lines.append(label + QStringLiteral(": equal"));
        for (const DifferingRange& range : comparison.ranges)
            lines.append(QStringLiteral("%1: %2").arg(label, range.text()));
    }
    const int differing = differingDevices(compared);
    lines.append(differing == 0 ? QStringLiteral("compare: the product holds the image")
                                : QStringLiteral("compare: %1 of %2 devices differ").arg(differing).arg(compared.size()));
    return lines;
}
