#include "jsonoutput.h"

#include <product.h>
#include <render.h>
#include <workflow.h>

#include <field.h>
#include <nullfield.h>
#include <sc18im700protocol.h>

namespace {

QJsonArray addressesJson(const QList<quint8>& addresses)
{
    QJsonArray array;
    for (const quint8 address : addresses)
        array.append(SC18IM700Protocol::hexByte(address));
    return array;
}

QJsonArray partsJson(const QList<ExpectedPart>& parts)
{
    QJsonArray array;
    for (const ExpectedPart& part : parts) {
        array.append(QJsonObject{{QStringLiteral("name"), part.name},
                                 {QStringLiteral("type"), part.type},
                                 {QStringLiteral("address"), SC18IM700Protocol::hexByte(part.address)}});
    }
    return array;
}

QJsonArray dirtyPages(const Device* device)
{
    QJsonArray pages;
    for (int page = 0; page < device->writePages(); ++page) {
        if (device->writePageIsDirty(page))
            pages.append(page);
    }
    return pages;
}

} // namespace

QJsonArray settingsJson(const LoadedProduct& product)
{
    QJsonArray settings;
    const QList<SettingDescription>& described = product.description().settings;
    for (int row = 0; row < described.size(); ++row) {
        const SettingDescription& setting = described.at(row);
        const Field* field = product.fields().value(row);
        const auto* null = qobject_cast<const NullField*>(field);
        QJsonObject object{{QStringLiteral("name"), setting.name},
                           {QStringLiteral("kind"), settingKindName(setting.kind)},
                           {QStringLiteral("device"), setting.device},
                           {QStringLiteral("address"),
                            product.model()->index(row, Field::AddressColumn).data().toString()}};
        if (null) {
            object.insert(QStringLiteral("text"), null->text());
        } else if (field && memoryMark(field->device(), 0, 0) == MemoryMark::NotReadBack) {
            // The part cannot be read back: no value is known to be on it.
            object.insert(QStringLiteral("value"), QJsonValue::Null);
            object.insert(QStringLiteral("readBack"), false);
        } else {
            object.insert(QStringLiteral("value"), field ? field->embeddedValueToString() : QString());
        }
        settings.append(object);
    }
    return settings;
}

QJsonArray devicesJson(const LoadedProduct& product)
{
    QJsonArray devices;
    for (const Device* device : product.product()->devices()) {
        devices.append(QJsonObject{{QStringLiteral("name"), device->name()},
                                   {QStringLiteral("type"), device->deviceName()},
                                   {QStringLiteral("bus"), device->busNumber()},
                                   {QStringLiteral("address"), SC18IM700Protocol::hexByte(device->busAddress())},
                                   {QStringLiteral("dirtyPages"), dirtyPages(device)}});
    }
    return devices;
}

QJsonObject scanJson(const SegmentScan& scan)
{
    QJsonObject object{{QStringLiteral("bus"), scan.bus < 0 ? QJsonValue() : QJsonValue(scan.bus)},
                       {QStringLiteral("answered"), addressesJson(scan.answered)},
                       {QStringLiteral("expected"), partsJson(scan.expected)},
                       {QStringLiteral("missing"), partsJson(scan.missing())},
                       {QStringLiteral("notDescribed"), addressesJson(scan.notDescribed())}};
    if (!scan.error.isEmpty())
        object.insert(QStringLiteral("error"), scan.error);
    return object;
}

QJsonObject runErrorJson(const PhaseRun& run)
{
    const RunResult& result = run.result;
    QJsonObject error{{QStringLiteral("phase"), run.phase}, {QStringLiteral("message"), result.errorString}};
    if (bridgeRestarted(result))
        error.insert(QStringLiteral("restarted"), true);
    if (!run.failedCommand.isEmpty()) {
        error.insert(QStringLiteral("command"),
                     QJsonObject{{QStringLiteral("index"), result.failedIndex + 1},
                                 {QStringLiteral("description"), run.failedCommand},
                                 {QStringLiteral("bytes"), hexBytes(run.failedBytes)}});
    }
    if (result.status >= 0) {
        error.insert(QStringLiteral("status"), SC18IM700Protocol::hexByte(result.status));
        error.insert(QStringLiteral("bus"), result.bus);
        error.insert(QStringLiteral("address"), SC18IM700Protocol::hexByte(result.address));
    }
    return error;
}

QJsonObject verifyJson(const VerifyResult& result)
{
    QJsonArray mismatches;
    for (const PageMismatch& mismatch : result.mismatches) {
        mismatches.append(QJsonObject{{QStringLiteral("device"), mismatch.device},
                                      {QStringLiteral("page"), mismatch.page},
                                      {QStringLiteral("wrote"), hexBytes(mismatch.wrote)},
                                      {QStringLiteral("read"), hexBytes(mismatch.read)}});
    }
    return {{QStringLiteral("matching"), result.matching},
            {QStringLiteral("writeOnly"), QJsonArray::fromStringList(result.writeOnly)},
            {QStringLiteral("mismatches"), mismatches}};
}

QJsonObject comparisonJson(const DeviceComparison& comparison)
{
    const DeviceImage& image = comparison.image;
    QJsonArray ranges;
    for (const DifferingRange& range : comparison.ranges)
        ranges.append(QJsonObject{{QStringLiteral("start"), SC18IM700Protocol::hexByte(range.start)},
                                  {QStringLiteral("end"), SC18IM700Protocol::hexByte(range.start + range.image.size() - 1)},
                                  {QStringLiteral("image"), hexBytes(range.image)},
                                  {QStringLiteral("product"), hexBytes(range.product)}});
    return QJsonObject{{QStringLiteral("name"), image.name},
                       {QStringLiteral("type"), image.type},
                       {QStringLiteral("bus"), image.bus},
                       {QStringLiteral("address"), SC18IM700Protocol::hexByte(image.address)},
                       {QStringLiteral("readBack"), image.readBack},
                       {QStringLiteral("equal"), comparison.equal()},
                       {QStringLiteral("ranges"), ranges}};
}
