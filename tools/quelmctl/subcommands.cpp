#include "subcommands.h"

#include "jsonoutput.h"
#include "progressdisplay.h"

#include <productdescription.h>
#include <render.h>
#include <savefile.h>
#include <settingsfile.h>
#include <workflow.h>

#include <devicecommand.h>

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
