#include "subcommands.h"

#include "jsonoutput.h"
#include "progressdisplay.h"

#include <eepromfile.h>
#include <productdescription.h>
#include <productimage.h>
#include <render.h>
#include <savefile.h>
#include <servicetext.h>
#include <settingsfile.h>
#include <workflow.h>

#include <devicecommand.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QTextStream>

namespace {

// One run of the tool on one product: loads it, sets up the transport and
// the workflow, shows what they do and turns every failure into error lines.
// With --json it also gathers the document that finish() prints, the first
// failure included.
class Session
{
public:
    Session(const Invocation& invocation, const QString& command)
        : m_in(invocation)
        , m_display(*invocation.err, invocation.quiet, invocation.verbose, invocation.terminal)
        , m_document{{QStringLiteral("command"), command}}
    {
    }

    QTextStream& out() const { return *m_in.out; }
    QTextStream& err() const { return *m_in.err; }
    LoadedProduct& product() const { return *m_product; }
    Workflow& workflow() const { return *m_workflow; }
    bool json() const { return m_in.json; }
    void setJson(const QString& key, const QJsonValue& value) { m_document.insert(key, value); }

    bool load();
    bool connect();
    // Prints the line and keeps it as the document's error unless one is kept.
    void fail(const QString& line, const QJsonObject& error = {});
    // The verify summary of a step that got that far, then the document.
    int finish(bool ok);

private:
    void phaseEnded(const PhaseRun& run);
    void failed(const Failure& failure);

    const Invocation& m_in;
    ProgressDisplay m_display;
    QJsonObject m_document;
    QJsonArray m_phases;
    std::unique_ptr<LoadedProduct> m_product;
    std::unique_ptr<Transport> m_transport;
    std::unique_ptr<Workflow> m_workflow;
};

void Session::fail(const QString& line, const QJsonObject& error)
{
    err() << "quelmctl: " << line << Qt::endl;
    if (m_document.contains(QStringLiteral("error")))
        return;
    QJsonObject kept = error;
    if (!kept.contains(QStringLiteral("message")))
        kept.insert(QStringLiteral("message"), QStringLiteral("quelmctl: ") + line);
    m_document.insert(QStringLiteral("error"), kept);
}

bool Session::load()
{
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::load(m_in.descriptionFile, &error);
    if (!description) {
        fail(error);
        return false;
    }
    m_product = std::make_unique<LoadedProduct>(*description);
    return true;
}

bool Session::connect()
{
    QString error;
    m_transport = Transport::open(m_in.transport, m_in.descriptionFile,
                                  [this](Transport::Note note, const QString& line) { m_display.note(note, line); },
                                  &error);
    if (!m_transport) {
        fail(error);
        return false;
    }
    Workflow::Callbacks callbacks;
    callbacks.progress = [this](const QString& phase, int done, int count) { m_display.progress(phase, done, count); };
    callbacks.phaseEnded = [this](const PhaseRun& run) { phaseEnded(run); };
    callbacks.failed = [this](const Failure& failure) { failed(failure); };
    m_workflow = std::make_unique<Workflow>(*m_product, *m_transport, callbacks);
    return true;
}

void Session::phaseEnded(const PhaseRun& run)
{
    m_display.phaseEnded(run);
    m_phases.append(QJsonObject{{QStringLiteral("phase"), run.phase},
                                {QStringLiteral("commands"), run.commands},
                                {QStringLiteral("applied"), run.result.applied},
                                {QStringLiteral("seconds"), SC18IM700Protocol::seconds(run.result.elapsed)},
                                {QStringLiteral("baudRate"), int(run.baudRate)},
                                {QStringLiteral("i2cClockHz"),
                                 qRound(SC18IM700Protocol::i2cClockHz(run.i2cClock.divider()))}});
    setJson(QStringLiteral("phases"), m_phases);
    if (run.ok() && run.purpose == PhaseRun::Purpose::Write) {
        setJson(QStringLiteral("sent"), run.commands);
        if (!json())
            out() << run.sentText() << Qt::endl;
    }
}

void Session::failed(const Failure& failure)
{
    const QStringList lines = failure.lines();
    fail(lines.constFirst(), failure.kind == Failure::Kind::Stopped ? runErrorJson(failure.run) : QJsonObject());
    for (const QString& line : lines.mid(1))
        err() << "quelmctl: " << line << Qt::endl;
}

int Session::finish(bool ok)
{
    if (m_workflow && m_workflow->result().verify) {
        const VerifyResult& verified = *m_workflow->result().verify;
        setJson(QStringLiteral("verify"), verifyJson(verified));
        if (!json())
            out() << verified.summary() << Qt::endl;
    }
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

} // namespace

// Reads the product; the devices' dirty pages are then where the settings
// differ from what was read, and the settings show what was read.
int runRead(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("read"));
    if (!session.load() || !session.connect() || !session.workflow().readAndApply())
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
    if (!session.load() || !session.connect() || !session.workflow().readAndApply())
        return session.finish(false);
    session.setJson(QStringLiteral("devices"), devicesJson(session.product()));
    session.setJson(QStringLiteral("settings"), settingsJson(session.product()));
    return session.finish(session.workflow().writeSettings());
}

int runErase(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("erase"));
    if (!session.load() || !session.connect())
        return session.finish(false);
    return session.finish(session.workflow().erase());
}

int runHeader(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("header"));
    if (!session.load())
        return 1;
    if (!session.product().headerDevice()) {
        session.err() << "quelmctl: header: the product has no devices" << Qt::endl;
        return 1;
    }
    const int offset = qMax(0, invocation.headerOffset);
    const int count = invocation.headerCount >= 0 ? invocation.headerCount : session.product().headerSize();
    if (count < 1 || offset + count > 256) {
        session.err() << "quelmctl: header: offset " << offset << " and count " << count
                      << " do not fit in 256 bytes" << Qt::endl;
        return 1;
    }
    if (!session.connect() || !session.workflow().readAndApply())
        return session.finish(false);
    return session.finish(session.workflow().writeHeader(invocation.headerOffset, count));
}

int runSet(const Invocation& invocation)
{
    QString error;
    if (invocation.arguments.isEmpty())
        error = QStringLiteral("set: give at least one NAME=VALUE");
    else if (assignSettings(invocation.descriptionFile, invocation.arguments, &error))
        return 0;
    *invocation.err << "quelmctl: " << error << Qt::endl;
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
    QList<DeviceCommand*> generated;
    QList<DeviceCommand*> commands;
    if (list == QLatin1String("read")) {
        commands = product.readCommands();
    } else if (list == QLatin1String("erase")) {
        commands = generated = product.product()->eraseCommands();
    } else {
        product.bindSettings();
        product.mapToDevices();
        commands = generated = product.product()->writeCommands();
    }
    for (DeviceCommand* command : qAsConst(commands))
        session.out() << command;
    session.out() << Qt::dec << Qt::flush;
    qDeleteAll(generated);
    return 0;
}

int runReport(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("report"));
    if (!session.load() || !session.connect() || !session.workflow().readAndApply())
        return session.finish(false);
    const ReportFormat format = invocation.text ? ReportFormat::Text : ReportFormat::Html;
    const QString title = reportTitle(invocation.descriptionFile);
    if (invocation.outputFile.isEmpty()) {
        writeReport(session.out(), session.product(), format, title);
        return session.finish(true);
    }
    // A report for a file is made whole first and then saved in one step.
    const QByteArray report = reportText(session.product(), format, title).toUtf8();
    return session.finish(session.workflow().saveReport(invocation.outputFile, report));
}

int runScan(const Invocation& invocation)
{
    Session session(invocation, QStringLiteral("scan"));
    if (!session.load() || !session.connect())
        return session.finish(false);
    const bool ok = session.workflow().scan();
    const QList<SegmentScan>& segments = session.workflow().result().segments;
    if (segments.isEmpty()) // the bus segments could not be selected
        return session.finish(false);
    QJsonArray buses;
    for (const SegmentScan& segment : segments)
        buses.append(scanJson(segment));
    session.setJson(QStringLiteral("addressing"), QStringLiteral("8-bit write addresses"));
    session.setJson(QStringLiteral("buses"), buses);
    if (!session.json()) {
        for (const SegmentScan& segment : segments) {
            writeScanGrid(session.out(), segment);
            session.out() << '\n';
        }
        writeScanLegend(session.out());
    }
    return session.finish(ok);
}

namespace {

// What backup and restore take: a whole product image, or one device's
// memory in an EEPROM programmer's format.
struct FileFormat
{
    bool image = true;
    EepromFormat eeprom = EepromFormat::Binary;
};

// The format --format names, else the one the file's suffix says, else an
// image; null, with the line, for an unknown name or an EEPROM format that
// is not given exactly one device.
std::optional<FileFormat> fileFormat(const Invocation& invocation, const QString& fileName, QString* error)
{
    const QString& name = invocation.format;
    const std::optional<EepromFormat> eeprom = name.isEmpty() ? eepromFormatOfFile(fileName) : eepromFormat(name);
    if (name == QLatin1String("image") || (name.isEmpty() && !eeprom))
        return FileFormat{};
    if (!eeprom) {
        *error = QStringLiteral("--format takes image, bin, ihex or srec, not \"%1\"").arg(name);
        return std::nullopt;
    }
    if (invocation.devices.size() != 1) {
        *error = QStringLiteral("%1 holds one device's memory: name one with --device")
                     .arg(name.isEmpty() ? fileName : name);
        return std::nullopt;
    }
    return FileFormat{false, *eeprom};
}

// A command line that makes no sense: its line, exit 2.
int refuseCommandLine(const Invocation& invocation, const QString& command, const QString& why)
{
    *invocation.err << "quelmctl: " << command << ": " << why << Qt::endl;
    return 2;
}

bool knowsDevices(Session& session, const QString& command, const QStringList& names)
{
    for (const QString& name : names) {
        if (!session.product().device(name)) {
            session.fail(QStringLiteral("%1: the product has no device \"%2\"").arg(command, name));
            return false;
        }
    }
    return true;
}

// Whether a file can be made where fileName says, before the product is
// read for it; the save itself still says why it fails, if it does.
bool canWriteBeside(Session& session, const QString& fileName)
{
    const QFileInfo folder(QFileInfo(fileName).absolutePath());
    if (folder.isDir() && folder.isWritable())
        return true;
    session.fail(QStringLiteral("cannot write %1: %2").arg(fileName, folder.isDir() ? QStringLiteral("the folder is not writable")
                                                                                  : QStringLiteral("no such folder")));
    return false;
}

// The image file's devices that names selects, checked in full against the
// product; null after the first thing wrong has been said.
std::optional<QList<DeviceImage>> checkedImage(Session& session, const QString& fileName, const QStringList& names)
{
    QString error;
    const std::optional<QList<DeviceImage>> images = ::checkedImage(fileName, session.product(), names, &error);
    if (!images)
        session.fail(error);
    return images;
}

// The named device's memory as the EEPROM file sets it.
std::optional<QList<DeviceImage>> checkedEepromFile(Session& session, const QString& fileName, EepromFormat format,
                                                    const QString& name)
{
    if (!knowsDevices(session, QStringLiteral("restore"), {name}))
        return std::nullopt;
    const Device* const device = session.product().device(name);
    DeviceImage image = DeviceImage::of(device);
    QString error;
    if (!readEepromFile(fileName, format, device->memorySize(), &image, &error)) {
        session.fail(error);
        return std::nullopt;
    }
    return QList<DeviceImage>{image};
}

} // namespace

int runBackup(const Invocation& invocation)
{
    const QString command = QStringLiteral("backup");
    if (invocation.outputFile.isEmpty())
        return refuseCommandLine(invocation, command, QStringLiteral("name the file to write with -o FILE"));
    QString error;
    const std::optional<FileFormat> format = fileFormat(invocation, invocation.outputFile, &error);
    if (!format)
        return refuseCommandLine(invocation, command, error);
    Session session(invocation, command);
    if (!session.load() || !knowsDevices(session, command, invocation.devices)
        || !canWriteBeside(session, invocation.outputFile) || !session.connect()
        || !session.workflow().readImage(invocation.devices))
        return session.finish(false);
    ProductImage image = session.workflow().result().image;
    QByteArray contents;
    if (format->image) {
        image.setOrigin(invocation.transport.port, invocation.descriptionFile);
        contents = image.toJson();
    } else {
        contents = eepromFileContents(image.devices.constFirst(), format->eeprom, &error);
        if (contents.isEmpty()) {
            session.fail(error);
            return session.finish(false);
        }
    }
    if (!session.workflow().save(invocation.outputFile, contents))
        return session.finish(false);
    for (const QString& line : backupLines(image, invocation.outputFile))
        session.out() << line << '\n';
    return session.finish(true);
}

int runRestore(const Invocation& invocation)
{
    const QString command = QStringLiteral("restore");
    if (invocation.arguments.size() != 1)
        return refuseCommandLine(invocation, command, QStringLiteral("name one image or EEPROM file"));
    const QString fileName = invocation.arguments.constFirst();
    QString error;
    const std::optional<FileFormat> format = fileFormat(invocation, fileName, &error);
    if (!format)
        return refuseCommandLine(invocation, command, error);
    Session session(invocation, command);
    if (!session.load())
        return session.finish(false);
    const std::optional<QList<DeviceImage>> images =
        format->image ? checkedImage(session, fileName, invocation.devices)
                      : checkedEepromFile(session, fileName, format->eeprom, invocation.devices.constFirst());
    if (!images || !session.connect())
        return session.finish(false);
    const bool ok = session.workflow().restore(*images, invocation.withHeader);
    for (const QString& line : restoreLines(session.workflow().result(), session.product(), invocation.withHeader,
                                            QStringLiteral("--header restores them")))
        session.out() << line << '\n';
    return session.finish(ok);
}

int runCompare(const Invocation& invocation)
{
    const QString command = QStringLiteral("compare");
    if (invocation.arguments.size() != 1)
        return refuseCommandLine(invocation, command, QStringLiteral("name one image file"));
    Session session(invocation, command);
    if (!session.load())
        return session.finish(false);
    const std::optional<QList<DeviceImage>> images = checkedImage(session, invocation.arguments.constFirst(),
                                                                  invocation.devices);
    if (!images || !session.connect() || !session.workflow().compare(*images))
        return session.finish(false);
    const QList<DeviceComparison>& compared = session.workflow().result().compared;
    QJsonArray devices;
    for (const DeviceComparison& comparison : compared)
        devices.append(comparisonJson(comparison));
    const int differing = differingDevices(compared);
    session.setJson(QStringLiteral("devices"), devices);
    session.setJson(QStringLiteral("equal"), differing == 0);
    if (!session.json()) {
        const QStringList lines = compareLines(compared);
        for (const QString& line : lines.mid(0, lines.size() - 1))
            session.out() << line << '\n';
        session.out() << lines.constLast() << Qt::endl;
    }
    return session.finish(differing == 0);
}
