#include "workflow.h"

#include "render.h"
#include "savefile.h"

#include <sc18im700protocol.h>
#include <device.h>
#include <devicecommand.h>

#include <algorithm>

namespace {

using SC18IM700Protocol::hexByte;

// "header (CAT24AA02, bus 0, 0xA0)"
QString partWords(const Device* device)
{
    return QStringLiteral("%1 (%2, bus %3, %4)")
        .arg(device->name(), device->deviceName()).arg(device->busNumber()).arg(hexByte(device->busAddress()));
}

// "page 0x08" (or "register 0x02" where a page is one byte) for a part
// with more than one page that starts there.
QString pageWords(const Device* device, int address, bool reading)
{
    const int pages = reading ? device->readPages() : device->writePages();
    for (int page = 0; pages > 1 && page < pages; ++page) {
        const int start = reading ? device->readPageAddress(page) : device->writePageAddress(page);
        const int size = reading ? device->readPageSize(page) : device->writePageSize(page);
        if (start == address)
            return QStringLiteral("%1 %2").arg(size == 1 ? QStringLiteral("register") : QStringLiteral("page"),
                                               hexByte(address));
    }
    return QString();
}

// "io, gain and offset"
QString nameList(const QStringList& names)
{
    if (names.size() < 2)
        return names.join(QString());
    return QStringList(names.mid(0, names.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" and ")
        + names.constLast();
}

// What a phase's commands do to the parts they reach, in the past.
QString pastVerb(const PhaseRun& run)
{
    if (run.phase == QLatin1String("erase"))
        return QStringLiteral("erased");
    switch (run.purpose) {
    case PhaseRun::Purpose::Read:
        return QStringLiteral("read");
    case PhaseRun::Purpose::Verify:
        return QStringLiteral("read back");
    case PhaseRun::Purpose::Write:
    case PhaseRun::Purpose::Select:
        break;
    }
    return QStringLiteral("written");
}

// The runner's line without the command it names, which the words name instead.
QString reasonOf(const PhaseRun& run)
{
    const QString named = QStringLiteral("Command %1 of %2 (%3): ")
                              .arg(run.result.failedIndex + 1).arg(run.commands).arg(run.failedCommand);
    const QString& error = run.result.errorString;
    return error.startsWith(named) ? error.mid(named.size()) : error;
}

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

QList<CommandStep> commandSteps(const QList<DeviceCommand*>& commands, const LoadedProduct& product)
{
    const bool gpioSelectsBus = product.description().gpioBusSelect;
    int bus = gpioSelectsBus ? -1 : 0;
    QList<CommandStep> steps;
    for (const DeviceCommand* command : commands) {
        const QByteArray bytes = command->bytes();
        const char kind = bytes.isEmpty() ? char(0) : bytes.at(0);
        CommandStep step;
        if (kind == SC18IM700Protocol::Start && bytes.size() > 1) {
            const int address = quint8(bytes.at(1)) & ~SC18IM700Protocol::ReadBit;
            const bool reading = command->responseBytes() > 0;
            const Device* const device = command->device() ? command->device() : product.deviceAt(bus, address);
            if (device) {
                const int start = command->device() ? device->readPageAddress(command->page())
                                                    : (bytes.size() > 3 ? quint8(bytes.at(3)) : -1);
                step.device = device->name();
                step.page = pageWords(device, start, reading);
            }
            const QString part = device ? partWords(device)
                : bus >= 0              ? QStringLiteral("the part at bus %1, %2").arg(bus).arg(hexByte(address))
                                        : QStringLiteral("the part at %1").arg(hexByte(address));
            step.words = QStringLiteral("%1 %2").arg(reading ? QStringLiteral("reading") : QStringLiteral("writing"), part);
            if (!step.page.isEmpty())
                step.words += QLatin1Char(' ') + step.page;
        } else if (kind == SC18IM700Protocol::WriteGpio && gpioSelectsBus && bytes.size() > 1) {
            bus = quint8(bytes.at(1));
            step.words = QStringLiteral("selecting bus %1").arg(bus);
        } else if (kind == SC18IM700Protocol::WriteGpio) {
            step.words = QStringLiteral("setting the bridge's GPIO port");
        } else if (kind == SC18IM700Protocol::WriteRegisters) {
            step.words = QStringLiteral("setting the bridge's registers");
        } else if (kind == SC18IM700Protocol::ReadRegisters) {
            step.words = QStringLiteral("reading the bridge's registers");
        } else if (kind == SC18IM700Protocol::ReadGpio) {
            step.words = QStringLiteral("reading the bridge's GPIO port");
        } else {
            step.words = command->description();
        }
        steps.append(step);
    }
    return steps;
}

QString PhaseRun::appliedText() const
{
    // Each part the list reaches, in the order it first does, with how many
    // of its commands were applied and its last applied step.
    struct Reached
    {
        QString device;
        int commands = 0;
        int applied = 0;
        QString lastPage;
    };
    QList<Reached> reached;
    for (int index = 0; index < steps.size(); ++index) {
        const CommandStep& step = steps.at(index);
        if (step.device.isEmpty())
            continue;
        auto it = std::find_if(reached.begin(), reached.end(),
                               [&](const Reached& part) { return part.device == step.device; });
        if (it == reached.end())
            it = reached.insert(reached.end(), Reached{step.device, 0, 0, QString()});
        ++it->commands;
        if (index < result.applied) {
            ++it->applied;
            it->lastPage = step.page;
        }
    }
    const QString verb = pastVerb(*this);
    if (reached.isEmpty())
        return result.applied == 0 ? QStringLiteral("%1: no command was applied").arg(phase)
                                   : QStringLiteral("%1: commands 1 to %2 of %3 were applied")
                                         .arg(phase).arg(result.applied).arg(commands);
    QStringList done;
    QStringList notDone;
    QStringList parts;
    for (const Reached& part : qAsConst(reached)) {
        if (part.applied == part.commands)
            done.append(part.device);
        else if (part.applied == 0)
            notDone.append(part.device);
        else
            parts.append(part.lastPage.isEmpty() ? QStringLiteral("%1 %2 in part").arg(part.device, verb)
                                                 : QStringLiteral("%1 %2 up to %3")
                                                       .arg(part.device, verb, part.lastPage));
    }
    if (done.isEmpty() && parts.isEmpty())
        return QStringLiteral("%1: %2 not %3").arg(phase, nameList(notDone), verb);
    if (!done.isEmpty())
        parts.prepend(QStringLiteral("%1 %2").arg(nameList(done), verb));
    if (!notDone.isEmpty())
        parts.append(QStringLiteral("%1 not").arg(nameList(notDone)));
    return QStringLiteral("%1: %2").arg(phase, parts.join(QStringLiteral("; ")));
}

QString PhaseRun::commandText() const
{
    QString text = QStringLiteral("%1: stopped at command %2 of %3, %4")
                       .arg(phase).arg(result.failedIndex + 1).arg(commands).arg(failedCommand);
    if (!lastApplied.isEmpty())
        text += QStringLiteral("; the last applied %1").arg(lastApplied);
    return text;
}

QStringList Failure::lines() const
{
    switch (kind) {
    case Kind::Stopped: {
        if (bridgeRestarted(run.result))
            return {QStringLiteral("%1 stopped: %2").arg(run.phase, run.result.errorString)};
        const QString at = run.steps.value(run.result.failedIndex).words;
        QString stopped = at.isEmpty() ? QStringLiteral("%1 stopped").arg(run.phase)
                                       : QStringLiteral("%1 stopped at %2").arg(run.phase, at);
        if (!run.readBackOf.isEmpty())
            stopped = QStringLiteral("%1 went through; its read-back stopped%2")
                          .arg(run.readBackOf, at.isEmpty() ? QString() : QStringLiteral(" at ") + at);
        if (!run.gone.isEmpty())
            stopped = QStringLiteral("%1; %2").arg(run.gone, stopped);
        return {QStringLiteral("%1: %2").arg(stopped, reasonOf(run)), run.appliedText()};
    }
    case Kind::Differs:
        return {mismatch.text()};
    case Kind::Silent:
        return {QStringLiteral("scan: %1: %2 (%3) at %4 does not answer")
                    .arg(segmentName(bus), part.name, part.type, SC18IM700Protocol::hexByte(part.address))};
    case Kind::ScanStopped: {
        const QString stopped = QStringLiteral("scan: %1: %2").arg(segmentName(bus), reason);
        return {run.gone.isEmpty() ? stopped : QStringLiteral("%1; %2").arg(run.gone, stopped)};
    }
    case Kind::NotSaved:
    case Kind::NoBridge:
    case Kind::Refused:
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

bool Workflow::run(const QList<DeviceCommand*>& commands, const QString& phase, PhaseRun::Purpose purpose,
                   const QString& readBackOf)
{
    PhaseRun run;
    run.phase = phase;
    run.purpose = purpose;
    run.commands = commands.size();
    run.steps = commandSteps(commands, m_product);
    run.readBackOf = readBackOf;
    Transport::Progress progress;
    if (run.shown()) {
        progress = [&](int done, int count) {
            if (m_callbacks.progress)
                m_callbacks.progress(phase, done, count);
            if (m_callbacks.step && done < count)
                m_callbacks.step(run.steps.at(done).words);
        };
    }
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
    if (!run.ok())
        run.gone = m_transport.goneText();
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
    failure.device = blamed ? blamed->name() : run.steps.value(run.result.failedIndex).device;
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
    if (!run(m_product.readCommands(), QStringLiteral("verify"), PhaseRun::Purpose::Verify, phase))
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
    // A stop leaves the segments after it unprobed, and says nothing of them.
    // So does a port that went away.
    const auto goneAway = [this] {
        return std::any_of(m_result.failures.cbegin(), m_result.failures.cend(),
                           [](const Failure& failure) { return failure.portGone(); });
    };
    for (int index = 0; index < m_result.segments.size() && !m_transport.stopRequested() && !goneAway(); ++index)
        ok = scanSegment(index) && ok;
    return ok && !m_transport.stopRequested() && !goneAway();
}

bool Workflow::scanSegment(int index)
{
    SegmentScan& segment = m_result.segments[index];
    if (segment.bus >= 0) {
        const OwnedCommands select{{m_product.product()->selectBusCommand(segment.bus)}};
        if (!run(select.list, QStringLiteral("scan"), PhaseRun::Purpose::Select))
            return false;
    }
    Transport::Progress progress;
    const int segments = m_result.segments.size();
    if (m_callbacks.progress)
        progress = [&](int done, int count) {
            m_callbacks.progress(QStringLiteral("scan"), index * count + done, segments * count);
        };
    m_transport.probe(segment, progress);
    Failure failure;
    failure.bus = segment.bus;
    if (!segment.error.isEmpty()) {
        failure.kind = Failure::Kind::ScanStopped;
        failure.reason = segment.error;
        failure.run.gone = m_transport.goneText();
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
