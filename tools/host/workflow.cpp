#include "workflow.h"

#include "render.h"
#include "savefile.h"

#include <sc18im700protocol.h>
#include <devicecommand.h>

namespace {

// Commands made for one step, deleted with it.
struct OwnedCommands
{
    QList<DeviceCommand*> list;
    ~OwnedCommands() { qDeleteAll(list); }
};

} // namespace

QString PhaseRun::doneText() const
{
    return QStringLiteral("%1: %2 commands, %3").arg(phase).arg(commands).arg(phaseTime(result.elapsed, baudRate));
}

QString PhaseRun::sentText() const
{
    return QStringLiteral("%1: %2 commands sent").arg(phase).arg(commands);
}

QStringList Failure::lines() const
{
    switch (kind) {
    case Kind::Stopped: {
        const QString stopped = QStringLiteral("%1 stopped: %2").arg(run.phase, run.result.errorString);
        if (bridgeRestarted(run.result))
            return {stopped};
        if (run.result.applied == 0)
            return {stopped, QStringLiteral("%1: no command was applied").arg(run.phase)};
        return {stopped, QStringLiteral("%1: commands 1 to %2 of %3 were applied, the last \"%4\"")
                             .arg(run.phase).arg(run.result.applied).arg(run.commands).arg(run.lastApplied)};
    }
    case Kind::Differs:
        return {mismatch.text()};
    case Kind::Silent:
        return {QStringLiteral("scan: %1: %2 (%3) at %4 does not answer")
                    .arg(segmentName(bus), part.name, part.type, SC18IM700Protocol::hexByte(part.address))};
    case Kind::ScanStopped:
        return {QStringLiteral("scan: %1: %2").arg(segmentName(bus), reason)};
    case Kind::NotSaved:
    case Kind::NoBridge:
        return {reason};
    }
    return {};
}

Workflow::Workflow(LoadedProduct& product, Transport& transport, const Callbacks& callbacks)
    : m_product(product)
    , m_transport(transport)
    , m_callbacks(callbacks)
{
    m_transport.setProduct(m_product.product()->devices(), m_product.description().gpioBusSelect);
}

void Workflow::fail(const Failure& failure)
{
    m_result.failures.append(failure);
    if (m_callbacks.failed)
        m_callbacks.failed(failure);
}

bool Workflow::run(const QList<DeviceCommand*>& commands, const QString& phase, PhaseRun::Purpose purpose)
{
    PhaseRun run;
    run.phase = phase;
    run.purpose = purpose;
    run.commands = commands.size();
    Transport::Progress progress;
    if (run.shown() && m_callbacks.progress)
        progress = [&](int done, int count) { m_callbacks.progress(phase, done, count); };
    run.result = m_transport.run(commands, progress);
    run.baudRate = m_transport.baudRate();
    run.i2cClock = m_transport.i2cClock();
    const DeviceCommand* const failed = commands.value(run.result.failedIndex);
    if (failed) {
        run.failedCommand = failed->description();
        run.failedBytes = failed->bytes();
    }
    if (run.result.applied > 0)
        run.lastApplied = commands.at(run.result.applied - 1)->description();
    m_result.phases.append(run);
    if (run.shown() && m_callbacks.phaseEnded)
        m_callbacks.phaseEnded(run);
    if (run.ok())
        return true;
    // The part the bridge's status names, else the one the command was for.
    Failure failure;
    failure.run = run;
    const Device* blamed = run.result.status >= 0 ? m_product.deviceAt(run.result.bus, run.result.address)
                                                  : (failed ? failed->device() : nullptr);
    failure.device = blamed ? blamed->name() : QString();
    fail(failure);
    return false;
}

bool Workflow::readAndApply()
{
    if (!run(m_product.readCommands(), QStringLiteral("read"), PhaseRun::Purpose::Read))
        return false;
    m_product.applySettings();
    return true;
}

bool Workflow::writeAndVerify(const QList<DeviceCommand*>& commands, const QString& phase, const PageFilter& include)
{
    if (!run(commands, phase, PhaseRun::Purpose::Write))
        return false;
    m_result.sent = commands.size();
    if (!run(m_product.readCommands(), QStringLiteral("verify"), PhaseRun::Purpose::Verify))
        return false;
    m_result.verify = m_product.verify(include);
    for (const PageMismatch& mismatch : m_result.verify->mismatches) {
        Failure failure;
        failure.kind = Failure::Kind::Differs;
        failure.mismatch = mismatch;
        failure.device = mismatch.device;
        fail(failure);
    }
    return m_result.verify->ok();
}

bool Workflow::writeSettings()
{
    const OwnedCommands commands{m_product.dirtyPageCommands()};
    return writeAndVerify(commands.list, QStringLiteral("write"), LoadedProduct::wholePage);
}

bool Workflow::erase()
{
    const OwnedCommands commands{m_product.product()->eraseCommands()};
    return writeAndVerify(commands.list, QStringLiteral("erase"), LoadedProduct::wholePage);
}

bool Workflow::writeHeader(int offset, int count)
{
    ProductInterface* const product = m_product.product();
    const Device* const header = m_product.headerDevice();
    const int start = qMax(0, offset);
    const OwnedCommands commands{offset < 0 ? product->writeHeaderCommands(quint8(count))
                                            : product->updateHeaderCommands(quint8(start), quint8(count))};
    const PageFilter inRange = [&](const Device* device, int page) {
        const int first = qMax(start, device->writePageAddress(page));
        const int end = qMin(start + count, device->writePageAddress(page) + device->writePageSize(page));
        return device == header && end > first ? ByteRange{first, end - first} : ByteRange{};
    };
    return writeAndVerify(commands.list, QStringLiteral("header"), inRange);
}

bool Workflow::scan()
{
    const ProductDescription& description = m_product.description();
    if (description.gpioBusSelect) {
        const OwnedCommands configure{m_product.product()->initializeMasterBusController()};
        if (!run(configure.list, QStringLiteral("scan"), PhaseRun::Purpose::Select))
            return false;
    }
    m_result.segments = describedSegments(description);
    bool ok = true;
    for (SegmentScan& segment : m_result.segments)
        ok = scanSegment(segment) && ok;
    return ok;
}

bool Workflow::scanSegment(SegmentScan& segment)
{
    if (segment.bus >= 0) {
        const OwnedCommands select{{m_product.product()->selectBusCommand(segment.bus)}};
        if (!run(select.list, QStringLiteral("scan"), PhaseRun::Purpose::Select))
            return false;
    }
    m_transport.probe(segment);
    Failure failure;
    failure.bus = segment.bus;
    if (!segment.error.isEmpty()) {
        failure.kind = Failure::Kind::ScanStopped;
        failure.reason = segment.error;
        fail(failure);
    }
    const QList<ExpectedPart> missing = segment.missing();
    for (const ExpectedPart& part : missing) {
        failure.kind = Failure::Kind::Silent;
        failure.part = part;
        failure.device = part.name;
        fail(failure);
    }
    return segment.error.isEmpty() && missing.isEmpty();
}

bool Workflow::saveReport(const QString& fileName, const QByteArray& report)
{
    return save(fileName, report);
}

bool Workflow::save(const QString& fileName, const QByteArray& contents)
{
    Failure failure;
    failure.kind = Failure::Kind::NotSaved;
    if (saveFile(fileName, contents, &failure.reason))
        return true;
    fail(failure);
    return false;
}

bool Workflow::readImage(const QStringList& names)
{
    if (!readAndApply())
        return false;
    m_result.image = ProductImage::capture(m_product, names);
    return true;
}

bool Workflow::restore(const QList<DeviceImage>& images, bool withHeader)
{
    if (!run(m_product.readCommands(), QStringLiteral("read"), PhaseRun::Purpose::Read))
        return false;
    m_product.adoptReceivedData();
    const Device* const header = m_product.headerDevice();
    const int headerEnd = withHeader ? 0 : m_product.headerSize();
    QList<const Device*> devices;
    for (const DeviceImage& image : images) {
        Device* const device = m_product.device(image.name);
        if (!image.matches(device))
            continue;
        QByteArray wanted = device->rxBuffer().leftJustified(image.memory.size(), '\0');
        RestoredDevice restored{image, 0};
        for (int address = device == header ? headerEnd : 0; address < image.memory.size(); ++address) {
            if (!image.covers(address) || wanted.at(address) == image.memory.at(address))
                continue;
            wanted[address] = image.memory.at(address);
            ++restored.changedBytes;
        }
        device->setTxData(0, wanted);
        m_result.restored.append(restored);
        devices.append(device);
    }
    const PageFilter restoredPages = [&](const Device* device, int page) {
        const bool keptHeader = device == header && device->writePageAddress(page) < headerEnd;
        return devices.contains(device) && !keptHeader ? LoadedProduct::wholePage(device, page) : ByteRange{};
    };
    // Only the restored devices differ from what was read. A part that
    // cannot be read back is written where the image differs from what the
    // mirror takes it to hold, as every write does.
    const OwnedCommands commands{m_product.dirtyPageCommands()};
    return writeAndVerify(commands.list, QStringLiteral("restore"), restoredPages);
}

bool Workflow::compare(const QList<DeviceImage>& images)
{
    if (!run(m_product.readCommands(), QStringLiteral("read"), PhaseRun::Purpose::Read))
        return false;
    for (const DeviceImage& image : images) {
        const Device* const device = m_product.device(image.name);
        if (!image.matches(device))
            continue;
        m_result.compared.append({image, image.readBack ? differingRanges(image, device->rxBuffer())
                                                        : QList<DifferingRange>()});
    }
    return true;
}
