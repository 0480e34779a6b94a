#include "cli.h"

#include "i2ccommand.h"
#include "recordscommand.h"
#include "stations.h"
#include "subcommands.h"

#include <bridgesetup.h>
#include <commandrunner.h>
#include <product.h>

#include <quelmdevices/version.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QTextStream>

namespace {

enum OptionGroup {
    NoOptions = 0, TransportOptionsGroup = 1, HeaderOptions = 2, ReportOptions = 4, JsonOutput = 8,
    DeviceChoice = 16, BackupOptions = 32, RestoreOptions = 64,
    I2COptions = 128,     // and a verb before the description
    RecordsOptions = 256, // and a database instead of the description
    StationOptions = 512
};

struct Subcommand
{
    const char* name;
    const char* arguments;   // after DESCRIPTION, as the help shows them
    QString summary;
    int options;             // OptionGroup flags
    int (*run)(const Invocation&);
};

const QList<Subcommand>& subcommands()
{
    static const QList<Subcommand> all = {
        {"read", "", QStringLiteral("Read every device and print the settings as the product holds them."),
         TransportOptionsGroup | JsonOutput | StationOptions, runRead},
        {"write", "", QStringLiteral("Write the settings (dirty pages only), read back and verify."),
         TransportOptionsGroup | JsonOutput | StationOptions, runWrite},
        {"erase", "", QStringLiteral("Clear every device's memory, read back and verify."),
         TransportOptionsGroup | StationOptions, runErase},
        {"header", "",
         QStringLiteral("Write the header bytes (first device, pages 0 to %1) from the settings.")
             .arg(LoadedProduct::HeaderPages - 1),
         TransportOptionsGroup | HeaderOptions, runHeader},
        {"set", "NAME=VALUE...", QStringLiteral("Change setting values (hex) in the description file."), NoOptions,
         runSet},
        {"dump", "read|write|erase", QStringLiteral("Print a command list without sending it."), NoOptions, runDump},
        {"report", "", QStringLiteral("Read the product and write an HTML diagnostics page."),
         TransportOptionsGroup | ReportOptions, runReport},
        {"scan", "", QStringLiteral("Probe every address on each bus segment and show which parts answer."),
         TransportOptionsGroup | JsonOutput | StationOptions, runScan},
        {"backup", "", QStringLiteral("Save the devices' memories in an image, or one's in an EEPROM file."),
         TransportOptionsGroup | DeviceChoice | BackupOptions, runBackup},
        {"restore", "FILE", QStringLiteral("Write an image or EEPROM file back (changed pages), read back, verify."),
         TransportOptionsGroup | DeviceChoice | RestoreOptions, runRestore},
        {"compare", "IMAGE", QStringLiteral("Read the product and show where it differs from an image (exit 1)."),
         TransportOptionsGroup | DeviceChoice | JsonOutput, runCompare},
        {"i2c", "ARGUMENTS...",
         QStringLiteral("Raw bus access like i2c-tools: %1.").arg(i2cVerbs().join(QLatin1Char('|'))),
         TransportOptionsGroup | I2COptions, runI2C},
        {"records", "", QStringLiteral("List the production stations' records of every unit in DATABASE."),
         RecordsOptions | JsonOutput, runRecords},
    };
    return all;
}

const Subcommand* findSubcommand(const QString& name)
{
    for (const Subcommand& subcommand : subcommands()) {
        if (name == QLatin1String(subcommand.name))
            return &subcommand;
    }
    return nullptr;
}

void writeOverview(QTextStream& out)
{
    out << "Usage: quelmctl COMMAND [options] DESCRIPTION [arguments]\n"
           "Drives the product that a JSON description names through an SC18IM700\n"
           "bridge: a serial port (--port), or the built-in simulator by default.\n\n"
           "Commands:\n";
    for (const Subcommand& subcommand : subcommands())
        out << "  " << QString::fromLatin1(subcommand.name).leftJustified(9) << subcommand.summary << '\n';
    out << "\nRun \"quelmctl COMMAND --help\" for the options of a command;\n"
           "\"quelmctl --version\" prints the version." << Qt::endl;
}

struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Talk to a bridge on the serial port DEVICE; give it once per product to run several at once."),
                            QStringLiteral("DEVICE")};
    QCommandLineOption ports{QStringLiteral("ports"),
                             QStringLiteral("Run a product on each port that FILE names, one a line (/dev/serial/by-path names welcome)."),
                             QStringLiteral("FILE")};
    QCommandLineOption simUnits{QStringLiteral("sim-units"),
                                QStringLiteral("Simulate N products at once, each with its own state file (the state's name with .1, .2 ... before its suffix; in a folder, 1.sim-state.json ...)."),
                                QStringLiteral("N")};
    QCommandLineOption each{QStringLiteral("each"),
                            QStringLiteral("Give each product its own value of a setting, counting up in decimal from START in the order of the ports: serial=51450009+ gives the first product 51450009 and the second 51450010 (the digits are the setting's hex bytes, as on a label)."),
                            QStringLiteral("NAME=START+")};
    QCommandLineOption eachFile{QStringLiteral("each-file"),
                                QStringLiteral("Give each product its own values: a CSV file whose header row names settings, then one row of hex values per port."),
                                QStringLiteral("FILE")};
    QCommandLineOption record{QStringLiteral("record"),
                              QStringLiteral("Keep a record of every product in DATABASE: a SQLite file, or postgresql://USER@HOST/DATABASE (the password from PGPASSWORD or ~/.pgpass)."),
                              QStringLiteral("DATABASE")};
    QCommandLineOption baud{QStringLiteral("baud"),
                            QStringLiteral("Move the bridge to N baud, and the port with it (default: work at the rate where the bridge is found)."),
                            QStringLiteral("N")};
    QCommandLineOption i2cClock{QStringLiteral("i2c-clock"),
                                QStringLiteral("Set the bridge's I2C clock: %1, the bridge's reset setting, %2, or "
                                               "the registers I2CClkL,I2CClkH, such as %3: %4 MHz / (2 x their sum), "
                                               "the sum at least %5.")
                                    .arg(BridgeSetup::clockSetting(BridgeSetup::I2CClock::Standard).text(),
                                         BridgeSetup::clockSetting(BridgeSetup::I2CClock::Fast).text(),
                                         BridgeSetup::ClockRegisters{0x0A, 0x0A}.text())
                                    .arg(SC18IM700Protocol::CrystalHz / 1e6)
                                    .arg(SC18IM700Protocol::MinimumClockDivider),
                                QStringLiteral("SPEED")};
    QCommandLineOption verify{QStringLiteral("verify"),
                              QStringLiteral("Read the bridge's I2C status after every bus transaction; stop at the first part that does not acknowledge.")};
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("Print one JSON document instead of tables.")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("How long one answer may take, in milliseconds (%1).")
                                   .arg(CommandRunner::DefaultTimeoutMs),
                               QStringLiteral("MS"), QString::number(CommandRunner::DefaultTimeoutMs)};
    QCommandLineOption simState{QStringLiteral("sim-state"),
                                QStringLiteral("Simulator state file (default: DESCRIPTION's name with .sim-state.json)."),
                                QStringLiteral("FILE")};
    QCommandLineOption simLockWait{QStringLiteral("sim-lock-wait"),
                                   QStringLiteral("How long to wait for another run that holds the simulator state, in milliseconds (%1).")
                                       .arg(SimulatorState::DefaultLockWaitMs),
                                   QStringLiteral("MS"), QString::number(SimulatorState::DefaultLockWaitMs)};
    QCommandLineOption disconnect{QStringLiteral("sim-disconnect-after"),
                                  QStringLiteral("Let the simulated bridge go away after N commands."),
                                  QStringLiteral("N")};
    QCommandLineOption adapterLatency{QStringLiteral("sim-adapter-latency"),
                                      QStringLiteral("Reach the simulated bridge through a USB adapter whose latency timer is MS milliseconds."),
                                      QStringLiteral("MS")};
    QCommandLineOption quiet{{QStringLiteral("q"), QStringLiteral("quiet")}, QStringLiteral("Show no progress.")};
    QCommandLineOption verbose{{QStringLiteral("v"), QStringLiteral("verbose")},
                               QStringLiteral("Also say how the port was set up.")};
    QCommandLineOption offset{QStringLiteral("offset"),
                              QStringLiteral("First header byte to write; without it the bridge is configured and the header written from 0."),
                              QStringLiteral("N")};
    QCommandLineOption count{QStringLiteral("count"), QStringLiteral("Number of header bytes (default: the whole header)."),
                             QStringLiteral("N")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("Write the report to FILE instead of stdout."), QStringLiteral("FILE")};
    QCommandLineOption text{QStringLiteral("text"), QStringLiteral("Text register reports instead of HTML.")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Only the device NAME; repeat for more (default: every device)."),
                              QStringLiteral("NAME")};
    QCommandLineOption image{{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Write to FILE."),
                             QStringLiteral("FILE")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("image (JSON, the devices' memories), or one device's memory as bin, "
                                             "ihex (Intel HEX) or srec (S-records) (default: by FILE's suffix: .bin, "
                                             ".hex, .srec; else image)."),
                              QStringLiteral("FORMAT")};
    QCommandLineOption header{QStringLiteral("header"),
                              QStringLiteral("Also restore the header's pages (the first device's pages 0 to %1).")
                                  .arg(LoadedProduct::HeaderPages - 1)};
    QCommandLineOption bus{QStringLiteral("bus"), QStringLiteral("Work on bus segment N (0 to 255)."),
                           QStringLiteral("N")};
    QCommandLineOption yes{{QStringLiteral("y"), QStringLiteral("yes")}, QStringLiteral("Write without asking.")};
    QCommandLineOption force{{QStringLiteral("f"), QStringLiteral("force")},
                             QStringLiteral("Reach an address that a described part occupies.")};
    QCommandLineOption wire{QStringLiteral("wire"),
                            QStringLiteral("Print every string sent to the bridge (tx) and every answer (rx) in hex on stderr.")};
    QCommandLineOption serial{QStringLiteral("serial"),
                              QStringLiteral("Only the units whose serial number was S before or after the run."),
                              QStringLiteral("S")};
    QCommandLineOption failed{QStringLiteral("failed"), QStringLiteral("Only the units that failed.")};
};

void addOptions(QCommandLineParser& parser, const Options& options, int groups)
{
    parser.addOption(options.help);
    if (groups & TransportOptionsGroup)
        parser.addOptions({options.port, options.baud, options.i2cClock, options.verify, options.timeout,
                           options.simState, options.simLockWait, options.disconnect, options.adapterLatency,
                           options.quiet, options.verbose});
    if (groups & JsonOutput)
        parser.addOption(options.json);
    if (groups & StationOptions)
        parser.addOptions({options.ports, options.simUnits, options.each, options.eachFile, options.record});
    if (groups & HeaderOptions)
        parser.addOptions({options.offset, options.count});
    if (groups & ReportOptions)
        parser.addOptions({options.output, options.text});
    if (groups & DeviceChoice)
        parser.addOption(options.device);
    if (groups & BackupOptions)
        parser.addOption(options.image);
    if (groups & (BackupOptions | RestoreOptions))
        parser.addOption(options.format);
    if (groups & RestoreOptions)
        parser.addOption(options.header);
    if (groups & I2COptions)
        parser.addOptions({options.bus, options.yes, options.force, options.wire});
    if (groups & RecordsOptions)
        parser.addOptions({options.serial, options.failed});
}

// A number option in decimal or with "0x" in hexadecimal; -1 when absent.
bool numberOption(const QCommandLineParser& parser, const QCommandLineOption& option, int* value,
                  QString* error)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option);
    bool ok = false;
    *value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                          : text.toInt(&ok, 10);
    if (!ok || *value < 0)
        *error = QStringLiteral("quelmctl: --%1 needs a number, not \"%2\"").arg(option.names().constLast(), text);
    return ok && *value >= 0;
}

bool fillTransport(const QCommandLineParser& parser, const Options& options, TransportOptions& transport,
                   QString* error)
{
    transport.port = parser.value(options.port);
    transport.simulatorState = parser.value(options.simState);
    int baud = transport.baudRate;
    const bool ok = numberOption(parser, options.baud, &baud, error)
        && numberOption(parser, options.timeout, &transport.timeoutMs, error)
        && numberOption(parser, options.simLockWait, &transport.stateLockWaitMs, error)
        && numberOption(parser, options.disconnect, &transport.disconnectAfter, error)
        && numberOption(parser, options.adapterLatency, &transport.adapterLatencyMs, error);
    transport.baudRate = baud;
    transport.acknowledgeChecks = parser.isSet(options.verify);
    transport.i2cClock = parser.value(options.i2cClock);
    if (!ok)
        return false;
    // Nothing is sent for a rate or a clock the bridge cannot run at.
    if (parser.isSet(options.baud) && !BridgeSetup::baudRateGenerator(baud)) {
        *error = QStringLiteral("quelmctl: the bridge cannot run at %1 baud").arg(baud);
        return false;
    }
    if (!parser.isSet(options.i2cClock))
        return true;
    const std::optional<BridgeSetup::ClockRegisters> clock = BridgeSetup::clockRegisters(transport.i2cClock);
    if (!clock) {
        *error = QStringLiteral("quelmctl: --i2c-clock takes standard, fast or two register values L,H, not \"%1\"")
                     .arg(transport.i2cClock);
        return false;
    }
    const QString outOfRange = BridgeSetup::clockRangeError(clock->low, clock->high);
    if (!outOfRange.isEmpty())
        *error = QStringLiteral("quelmctl: ") + outOfRange;
    return outOfRange.isEmpty();
}

bool fillInvocation(const QCommandLineParser& parser, const Options& options, int groups,
                    Invocation& invocation, QString* error)
{
    QStringList positional = parser.positionalArguments();
    if (groups & I2COptions) {
        invocation.i2cVerb = positional.isEmpty() ? QString() : positional.takeFirst();
        if (!i2cVerbs().contains(invocation.i2cVerb)) {
            *error = QStringLiteral("quelmctl: i2c: name one of %1").arg(i2cVerbs().join(QStringLiteral(", ")));
            if (!invocation.i2cVerb.isEmpty())
                *error += QStringLiteral(", not \"%1\"").arg(invocation.i2cVerb);
            return false;
        }
        invocation.yes = parser.isSet(options.yes);
        invocation.force = parser.isSet(options.force);
        invocation.wire = parser.isSet(options.wire);
        if (!numberOption(parser, options.bus, &invocation.bus, error))
            return false;
        if (invocation.bus > 255) {
            *error = QStringLiteral("quelmctl: --bus takes a segment from 0 to 255, not %1").arg(invocation.bus);
            return false;
        }
    }
    if (positional.isEmpty()) {
        *error = groups & RecordsOptions
            ? QStringLiteral("quelmctl: name a record database (a SQLite file or postgresql://...)")
            : QStringLiteral("quelmctl: name a product description file");
        return false;
    }
    invocation.descriptionFile = positional.constFirst();
    invocation.arguments = positional.mid(1);
    if (groups & TransportOptionsGroup) {
        if (!fillTransport(parser, options, invocation.transport, error))
            return false;
        invocation.quiet = parser.isSet(options.quiet);
        invocation.verbose = parser.isSet(options.verbose);
    }
    invocation.json = (groups & JsonOutput) && parser.isSet(options.json);
    if (groups & StationOptions) {
        invocation.ports = parser.values(options.port);
        invocation.portsFile = parser.value(options.ports);
        invocation.each = parser.values(options.each);
        invocation.eachFile = parser.value(options.eachFile);
        invocation.recordDatabase = parser.value(options.record);
        if (!numberOption(parser, options.simUnits, &invocation.simUnits, error))
            return false;
        if (invocation.simUnits == 0) {
            *error = QStringLiteral("quelmctl: --sim-units needs at least one product");
            return false;
        }
    }
    if (groups & RecordsOptions) {
        invocation.serial = parser.value(options.serial);
        invocation.failedOnly = parser.isSet(options.failed);
    }
    if (groups & ReportOptions) {
        invocation.outputFile = parser.value(options.output);
        invocation.text = parser.isSet(options.text);
    }
    if (groups & DeviceChoice)
        invocation.devices = parser.values(options.device);
    if (groups & BackupOptions)
        invocation.outputFile = parser.value(options.image);
    if (groups & (BackupOptions | RestoreOptions))
        invocation.format = parser.value(options.format);
    invocation.withHeader = (groups & RestoreOptions) && parser.isSet(options.header);
    return !(groups & HeaderOptions)
        || (numberOption(parser, options.offset, &invocation.headerOffset, error)
            && numberOption(parser, options.count, &invocation.headerCount, error));
}

} // namespace

int runQuelmCtl(const QStringList& arguments, QTextStream& out, QTextStream& err, bool stderrIsTerminal)
{
    const QString name = arguments.value(1);
    if (name.isEmpty() || name == QLatin1String("--help") || name == QLatin1String("-h")) {
        writeOverview(name.isEmpty() ? err : out);
        return name.isEmpty() ? 2 : 0;
    }
    if (name == QLatin1String("--version")) {
        out << "quelmctl " << QUELMDEVICES_VERSION_STRING << Qt::endl;
        return 0;
    }
    const Subcommand* subcommand = findSubcommand(name);
    if (!subcommand) {
        err << "quelmctl: unknown command \"" << name << "\"; see quelmctl --help" << Qt::endl;
        return 2;
    }
    const Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(subcommand->options & I2COptions ? i2cHelpText() : subcommand->summary);
    addOptions(parser, options, subcommand->options);
    if (subcommand->options & I2COptions)
        parser.addPositionalArgument(QStringLiteral("COMMAND"), i2cVerbs().join(QStringLiteral(", ")));
    if (subcommand->options & RecordsOptions)
        parser.addPositionalArgument(QStringLiteral("DATABASE"),
                                     QStringLiteral("A SQLite file, or postgresql://USER@HOST/DATABASE."));
    else
        parser.addPositionalArgument(QStringLiteral("DESCRIPTION"), QStringLiteral("The product description (JSON)."));
    if (*subcommand->arguments)
        parser.addPositionalArgument(QString::fromLatin1(subcommand->arguments), QString());
    QStringList rest = arguments.mid(2);
    rest.prepend(QStringLiteral("quelmctl %1").arg(name));
    if (!parser.parse(rest)) {
        err << "quelmctl: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(options.help)) {
        out << parser.helpText() << Qt::flush;
        return 0;
    }
    Invocation invocation;
    invocation.terminal = stderrIsTerminal;
    invocation.out = &out;
    invocation.err = &err;
    QString error;
    if (!fillInvocation(parser, options, subcommand->options, invocation, &error)) {
        err << error << Qt::endl;
        return 2;
    }
    if (invocation.stations())
        return runStations(invocation, name);
    return subcommand->run(invocation);
}
