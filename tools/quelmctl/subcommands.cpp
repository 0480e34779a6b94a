#include "subcommands.h"

#include "productdescription.h"
#include "settingsfile.h"
#include "jsonoutput.h"
#include "product.h"
#include "render.h"
#include "savefile.h"

#include <bridgestatus.h>
#include <devicecommand.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>


#include <functional>

namespace {

// The product's header: write pages 0 to 6 of its first device.
constexpr int HeaderPages = 7;

// Commands generated for one run, deleted with it.
struct OwnedCommands
{
    QList<DeviceCommand*> list;
    ~OwnedCommands() { qDeleteAll(list); }
};

// The bytes of a write page to check after a write: {start, count}; a count
// of 0 leaves the page out.
struct ByteRange
{
    int start = 0;
    int count = 0;
};
using PageFilter = std::function<ByteRange(const Device* device, int page)>;

// One run of the tool on one product: loads it, talks to the bridge and turns
// every failure into one error line. With --json it also gathers the
// document that finish() prints, the first failure included.
class Session
{
public:
    Session(const Invocation& invocation, const QString& command)
        : m_in(invocation), m_document{{QStringLiteral("command"), command}} {}

    QTextStream& out() const { return *m_in.out; }
    QTextStream& err() const { return *m_in.err; }
    LoadedProduct& product() const { return *m_product; }
    Transport& transport() const { return *m_transport; }
    bool json() const { return m_in.json; }
    void setJson(const QString& key, const QJsonValue& value) { m_document.insert(key, value); }

    bool load();
    bool connect();
    bool run(const QList<DeviceCommand*>& commands, const QString& phase, bool progress = true);
    bool readBack();
    bool verify(const PageFilter& include);
    // Prints the line and keeps it as the document's error unless one is kept.
    void fail(const QString& line, const QJsonObject& error = {});
    int finish(bool ok);

private:
    const Invocation& m_in;
    QJsonObject m_document;
    QJsonArray m_phases;
    std::unique_ptr<LoadedProduct> m_product;
    std::unique_ptr<Transport> m_transport;
};

void Session::fail(const QString& line, const QJsonObject& error)
{
    err() << line << Qt::endl;
    if (m_document.contains(QStringLiteral("error")))
        return;
    QJsonObject kept = error;
    if (!kept.contains(QStringLiteral("message")))
        kept.insert(QStringLiteral("message"), line);
    m_document.insert(QStringLiteral("error"), kept);
}

bool Session::load()
{
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::load(m_in.descriptionFile, &error);
    if (!description) {
        fail(QStringLiteral("quelmctl: ") + error);
        return false;
    }
    m_product = std::make_unique<LoadedProduct>(*description);
    return true;
}

bool Session::connect()
{
    QString error;
    m_transport = Transport::open(m_in.transport, m_in.descriptionFile, &error);
    if (!m_transport) {
        fail(error);
        return false;
    }
    m_transport->setProduct(m_product->product()->devices(), m_product->description().gpioBusSelect);
    return true;
}

bool Session::run(const QList<DeviceCommand*>& commands, const QString& phase, bool progress)
{
    const RunResult result = m_transport->run(commands, phase, err(), progress);
    if (progress) {
        m_phases.append(QJsonObject{{QStringLiteral("phase"), phase},
                                    {QStringLiteral("commands"), commands.size()},
                                    {QStringLiteral("applied"), result.applied},
                                    {QStringLiteral("seconds"), SC18IM700Protocol::seconds(result.elapsed)},
                                    {QStringLiteral("baudRate"), int(m_transport->baudRate())}});
        setJson(QStringLiteral("phases"), m_phases);
    }
    if (result.ok())
        return true;
    fail(QStringLiteral("quelmctl: %1 stopped: %2").arg(phase, result.errorString),
         runErrorJson(phase, result, commands));
    if (result.applied > 0) {
        err() << "quelmctl: " << phase << ": commands 1 to " << result.applied << " of "
              << commands.size() << " were applied, the last \""
              << commands.at(result.applied - 1)->description() << '"' << Qt::endl;
    } else {
        err() << "quelmctl: " << phase << ": no command was applied" << Qt::endl;
    }
    return false;
}

bool Session::readBack()
{
    return run(m_product->readCommands(), QStringLiteral("verify"));
}

// Compares every write page that include selects, on every device that can be
// read back; a write-only device is listed as such. Counts only the devices
// with a selected page.
bool Session::verify(const PageFilter& include)
{
    int matching = 0;
    QStringList writeOnly;
    QJsonArray mismatches;
    bool ok = true;
    for (const Device* device : m_product->product()->devices()) {
        QList<QPair<int, ByteRange>> pages;
        for (int page = 0; page < device->writePages(); ++page) {
            const ByteRange range = include(device, page);
            if (range.count > 0)
                pages.append({page, range});
        }
        if (pages.isEmpty())
            continue;
        if (device->readPages() == 0) {
            writeOnly.append(device->name());
            continue;
        }
        bool deviceOk = true;
        for (const auto& [page, range] : qAsConst(pages)) {
            const QByteArray wrote = device->txData(quint8(range.start), quint8(range.count));
            const QByteArray read = device->rxData(quint8(range.start), quint8(range.count));
            if (wrote == read)
                continue;
            fail(QStringLiteral("quelmctl: verify: device \"%1\" page %2: wrote %3, read %4")
                     .arg(device->name()).arg(page).arg(hexBytes(wrote), hexBytes(read)));
            mismatches.append(QJsonObject{{QStringLiteral("device"), device->name()},
                                          {QStringLiteral("page"), page},
                                          {QStringLiteral("wrote"), hexBytes(wrote)},
                                          {QStringLiteral("read"), hexBytes(read)}});
            deviceOk = false;
        }
        matching += deviceOk ? 1 : 0;
        ok = ok && deviceOk;
    }
    setJson(QStringLiteral("verify"), QJsonObject{{QStringLiteral("matching"), matching},
                                                  {QStringLiteral("writeOnly"), QJsonArray::fromStringList(writeOnly)},
                                                  {QStringLiteral("mismatches"), mismatches}});
    if (json())
        return ok;
    out() << "verify: " << matching << (matching == 1 ? " device matches" : " devices match");
    if (!writeOnly.isEmpty())
        out() << " (write-only, not read back: " << writeOnly.join(QStringLiteral(", ")) << ')';
    out() << Qt::endl;
    return ok;
}

int Session::finish(bool ok)
{
    QString error;
    if (m_transport && !m_transport->close(&error)) {
        fail(error);
        ok = false;
    }
    if (json()) {
        m_document.insert(QStringLiteral("ok"), ok);
        out() << QJsonDocument(m_document).toJson(QJsonDocument::Indented) << Qt::flush;
    }
    return ok ? 0 : 1;
}

// Reads the product, then makes the settings its wanted state: what was read
// stays where no setting says otherwise.
bool readAndApplySettings(Session& session)
{
    LoadedProduct& product = session.product();
    if (!session.run(product.readCommands(), QStringLiteral("read")))
        return false;
    product.adoptReceivedData();
    product.bindSettings();
    product.mapToDevices();
    return true;
}

// The dirty pages of every device, the header pages of the first included.
QList<DeviceCommand*> dirtyPageCommands(LoadedProduct& loaded)
{
    ProductInterface* product = loaded.product();
    const QList<Device*> devices = product->devices();
    QList<DeviceCommand*> commands;
    if (!devices.isEmpty()) {
        Device* header = devices.constFirst();
        for (int page = 0; page < qMin(HeaderPages, header->writePages()); ++page) {
            if (header->writePageIsDirty(page))
                commands += product->updateHeaderCommands(quint8(header->writePageAddress(page)),
                                                          quint8(header->writePageSize(page)));
        }
    }
    for (Device* device : devices)
        commands += product->writeDeviceCommands(device, true);
    return commands;
}

// Sends commands, reads the product back and checks the pages include selects.
int writeAndVerify(Session& session, const QList<DeviceCommand*>& commands, const QString& phase,
                   const PageFilter& include)
{
    if (!session.run(commands, phase))
        return session.finish(false);
    session.setJson(QStringLiteral("sent"), commands.size());
    if (!session.json())
        session.out() << phase << ": " << commands.size() << " commands sent" << Qt::endl;
    const bool ok = session.readBack() && session.verify(include);
    return session.finish(ok);
}

ByteRange wholePage(const Device* device, int page)
{
    return {device->writePageAddress(page), device->writePageSize(page)};
}

int headerSize(const Device* header)
{
    int size = 0;
    for (int page = 0; page < qMin(HeaderPages, header->writePages()); ++page)
        size += header->writePageSize(page);
    return size;
}

} // namespace

// Reads the product; the devices' dirty pages are then where the settings
// differ from what was read, and the settings show what was read.
int runRead(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("read"));
    if (!session.load() || !session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    LoadedProduct& product = session.product();
    session.setJson(QStringLiteral("devices"), devicesJson(product));
    product.mapFromDevices();
    session.setJson(QStringLiteral("settings"), settingsJson(product));
    if (!session.json())
        writeSettingsTable(session.out(), product);
    return session.finish(true);
}

int runWrite(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("write"));
    if (!session.load() || !session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    session.setJson(QStringLiteral("devices"), devicesJson(session.product()));
    session.setJson(QStringLiteral("settings"), settingsJson(session.product()));
    OwnedCommands commands{dirtyPageCommands(session.product())};
    return writeAndVerify(session, commands.list, QStringLiteral("write"), wholePage);
}

int runErase(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("erase"));
    if (!session.load() || !session.connect())
        return session.finish(false);
    OwnedCommands commands{session.product().product()->eraseCommands()};
    return writeAndVerify(session, commands.list, QStringLiteral("erase"), wholePage);
}

int runHeader(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("header"));
    if (!session.load())
        return 1;
    const QList<Device*> devices = session.product().product()->devices();
    if (devices.isEmpty()) {
        session.err() << "quelmctl: header: the product has no devices" << Qt::endl;
        return 1;
    }
    const Device* header = devices.constFirst();
    const int offset = qMax(0, invocation.headerOffset);
    const int count = invocation.headerCount >= 0 ? invocation.headerCount : headerSize(header);
    if (count < 1 || offset + count > 256) {
        session.err() << "quelmctl: header: offset " << offset << " and count " << count
                      << " do not fit in 256 bytes" << Qt::endl;
        return 1;
    }
    if (!session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    ProductInterface* product = session.product().product();
    OwnedCommands commands{invocation.headerOffset < 0
                               ? product->writeHeaderCommands(quint8(count))
                               : product->updateHeaderCommands(quint8(offset), quint8(count))};
    const PageFilter inRange = [&](const Device* device, int page) {
        const int start = qMax(offset, device->writePageAddress(page));
        const int end = qMin(offset + count, device->writePageAddress(page) + device->writePageSize(page));
        return device == header && end > start ? ByteRange{start, end - start} : ByteRange{};
    };
    return writeAndVerify(session, commands.list, QStringLiteral("header"), inRange);
}

int runSet(const Invocation& invocation)
{
    QString error;
    if (invocation.arguments.isEmpty())
        error = QStringLiteral("quelmctl: set: give at least one NAME=VALUE");
    else if (assignSettings(invocation.descriptionFile, invocation.arguments, &error))
        return 0;
    *invocation.err << error << Qt::endl;
    return 1;
}

int runDump(const Invocation& invocation)
{
    const QString list = invocation.arguments.value(0);
    if (invocation.arguments.size() != 1
        || !QStringList({QStringLiteral("read"), QStringLiteral("write"), QStringLiteral("erase")})
                .contains(list)) {
        *invocation.err << "quelmctl: dump: name one list: read, write or erase" << Qt::endl;
        return 1;
    }
    Session session(invocation, QStringLiteral("dump"));
    if (!session.load())
        return 1;
    LoadedProduct& product = session.product();
    OwnedCommands generated;
    QList<DeviceCommand*> commands;
    if (list == QLatin1String("read")) {
        commands = product.readCommands();
    } else if (list == QLatin1String("erase")) {
        commands = generated.list = product.product()->eraseCommands();
    } else {
        product.bindSettings();
        product.mapToDevices();
        commands = generated.list = product.product()->writeCommands();
    }
    for (DeviceCommand* command : qAsConst(commands))
        session.out() << command;
    session.out() << Qt::dec << Qt::flush;
    return 0;
}

int runReport(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("report"));
    if (!session.load() || !session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    // A report for a file is made whole first and then saved in one step.
    QString report;
    QTextStream toFile(&report);
    QTextStream& stream = invocation.outputFile.isEmpty() ? session.out() : toFile;
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    stream.setEncoding(QStringConverter::Utf8);
#else
    stream.setCodec("UTF-8");
#endif
    if (invocation.text)
        writeTextReport(stream, session.product());
    else
        writeHtmlReport(stream, session.product(),
                        QStringLiteral("Product report: %1").arg(QFileInfo(invocation.descriptionFile).fileName()));
    stream.flush();
    QString error;
    if (!invocation.outputFile.isEmpty() && !saveFile(invocation.outputFile, report.toUtf8(), &error)) {
        session.err() << error << Qt::endl;
        return session.finish(false);
    }
    return session.finish(true);
}

namespace {

// Selects the segment when the product selects segments, then probes it.
bool scanSegment(Session& session, SegmentScan& segment)
{
    ProductInterface* product = session.product().product();
    if (segment.bus >= 0) {
        OwnedCommands select{{product->selectBusCommand(segment.bus)}};
        if (!session.run(select.list, QStringLiteral("scan"), false))
            return false;
    }
    const ScanResult result = session.transport().scan();
    segment.answered = result.answered;
    segment.error = result.errorString;
    const QString where = segmentName(segment.bus);
    if (!result.ok())
        session.fail(QStringLiteral("quelmctl: scan: %1: %2").arg(where, result.errorString));
    for (const ExpectedPart& part : segment.missing()) {
        session.fail(QStringLiteral("quelmctl: scan: %1: %2 (%3) at %4 does not answer")
                         .arg(where, part.name, part.type, BridgeStatus::hexByte(part.address)));
    }
    return result.ok() && segment.missing().isEmpty();
}

} // namespace

int runScan(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("scan"));
    if (!session.load() || !session.connect())
        return session.finish(false);
    QList<SegmentScan> segments = describedSegments(session.product().description());
    if (session.product().description().gpioBusSelect) {
        OwnedCommands configure{session.product().product()->initializeMasterBusController()};
        if (!session.run(configure.list, QStringLiteral("scan"), false))
            return session.finish(false);
    }
    bool ok = true;
    QJsonArray buses;
    for (SegmentScan& segment : segments) {
        // A segment that hangs says nothing about the next one.
        const bool found = scanSegment(session, segment);
        ok = ok && found;
        buses.append(scanJson(segment));
    }
    session.setJson(QStringLiteral("addressing"), QStringLiteral("8-bit write addresses"));
    session.setJson(QStringLiteral("buses"), buses);
    if (!session.json()) {
        for (const SegmentScan& segment : qAsConst(segments)) {
            writeScanGrid(session.out(), segment);
            session.out() << '\n';
        }
        writeScanLegend(session.out());
    }
    return session.finish(ok);
}
