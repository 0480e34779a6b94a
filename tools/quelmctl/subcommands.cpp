#include "subcommands.h"

#include "productdescription.h"
#include "settingsfile.h"
#include "jsonoutput.h"
#include "product.h"
#include "render.h"
#include "savefile.h"

#include <devicecommand.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>


namespace {

// Commands generated for one run, deleted with it.
struct OwnedCommands
{
    QList<DeviceCommand*> list;
    ~OwnedCommands() { qDeleteAll(list); }
};

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
    m_transport = Transport::open(m_in.transport, m_in.descriptionFile, err(), &error);
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
                                    {QStringLiteral("baudRate"), int(m_transport->baudRate())},
                                    {QStringLiteral("i2cClockHz"),
                                     qRound(SC18IM700Protocol::i2cClockHz(m_transport->i2cClock().divider()))}});
        setJson(QStringLiteral("phases"), m_phases);
    }
    if (result.ok())
        return true;
    const QStringList lines = runFailureLines(phase, result, commands);
    fail(QStringLiteral("quelmctl: ") + lines.at(0), runErrorJson(phase, result, commands));
    for (const QString& line : lines.mid(1))
        err() << "quelmctl: " << line << Qt::endl;
    return false;
}

bool Session::readBack()
{
    return run(m_product->readCommands(), QStringLiteral("verify"));
}

// Checks the pages that include selects and says how it went.
bool Session::verify(const PageFilter& include)
{
    const VerifyResult result = m_product->verify(include);
    QJsonArray mismatches;
    for (const PageMismatch& mismatch : result.mismatches) {
        fail(QStringLiteral("quelmctl: ") + mismatch.text());
        mismatches.append(QJsonObject{{QStringLiteral("device"), mismatch.device},
                                      {QStringLiteral("page"), mismatch.page},
                                      {QStringLiteral("wrote"), hexBytes(mismatch.wrote)},
                                      {QStringLiteral("read"), hexBytes(mismatch.read)}});
    }
    setJson(QStringLiteral("verify"),
            QJsonObject{{QStringLiteral("matching"), result.matching},
                        {QStringLiteral("writeOnly"), QJsonArray::fromStringList(result.writeOnly)},
                        {QStringLiteral("mismatches"), mismatches}});
    if (!json())
        out() << result.summary() << Qt::endl;
    return result.ok();
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

// Reads the product, then makes the settings its wanted state.
bool readAndApplySettings(Session& session)
{
    if (!session.run(session.product().readCommands(), QStringLiteral("read")))
        return false;
    session.product().applySettings();
    return true;
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

int headerSize(const Device* header)
{
    int size = 0;
    for (int page = 0; page < qMin(LoadedProduct::HeaderPages, header->writePages()); ++page)
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
    OwnedCommands commands{session.product().dirtyPageCommands()};
    return writeAndVerify(session, commands.list, QStringLiteral("write"), LoadedProduct::wholePage);
}

int runErase(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("erase"));
    if (!session.load() || !session.connect())
        return session.finish(false);
    OwnedCommands commands{session.product().product()->eraseCommands()};
    return writeAndVerify(session, commands.list, QStringLiteral("erase"), LoadedProduct::wholePage);
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
    const QStringList problems = session.transport().scan(segment);
    for (const QString& problem : problems)
        session.fail(QStringLiteral("quelmctl: ") + problem);
    return problems.isEmpty();
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
