// quelm-simulator: the bridge and a product's parts on a pseudo-terminal.

#include "ptyserver.h"

#include <bridgesimulator.h>
#include <simulatedproduct.h>
#include <simulatorstate.h>

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QSocketNotifier>
#include <QtCore/QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so that the program leaves cleanly.
void quitOnSignals(QCoreApplication* app)
{
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* const notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void printPartTable(QTextStream& out)
{
    for (const SimulatedPartFacts& facts : SimulatedPart::partTable()) {
        out << Device::deviceName(facts.type) << ": " << facts.memorySize << " bytes; "
            << facts.notes << Qt::endl;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quelm-simulator"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a simulated bridge and the parts of a product on a pseudo-terminal.\n"
        "Prints the terminal's device path, then answers until interrupted. The bridge announces itself with\n"
        "\"OK\" at 9600 baud, as at power-on."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("description"), QStringLiteral("The product description (JSON)."));
    const QCommandLineOption stateOption(QStringLiteral("state"),
        QStringLiteral("Restore the simulated product from <file> when it exists, keep it there. Every start is a "
                       "power cycle: volatile registers take their power-on values, memories keep theirs."),
        QStringLiteral("file"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Report on standard error what the bridge dropped, refused or lost (a full receive FIFO, "
                       "a gap of more than 655 ms inside a command, bytes at another rate) and its restarts."));
    const QCommandLineOption partsOption(QStringLiteral("parts"), QStringLiteral("List the simulated parts and exit."));
    const QCommandLineOption noTimingOption(QStringLiteral("no-timing"),
        QStringLiteral("Answer at once: no UART, I2C or write-cycle time, parts program instantly."));
    const QCommandLineOption restartOption(QStringLiteral("restart-after"),
        QStringLiteral("A fault: the bridge restarts instead of running its <n>th command string, once, and "
                       "announces itself with \"OK\" at 9600 baud."),
        QStringLiteral("n"));
    parser.addOptions({stateOption, verboseOption, partsOption, noTimingOption, restartOption});
    parser.process(app);

    if (parser.isSet(partsOption)) {
        printPartTable(out);
        return 0;
    }
    if (parser.positionalArguments().size() != 1) {
        err << parser.helpText();
        return 2;
    }
    bool countOk = true;
    const int restartAfter = parser.isSet(restartOption) ? parser.value(restartOption).toInt(&countOk) : -1;
    if (!countOk || (parser.isSet(restartOption) && restartAfter < 1)) {
        err << "quelm-simulator: --restart-after takes a number of command strings, 1 or more" << Qt::endl;
        return 2;
    }
    QString error;
    const std::unique_ptr<BridgeSimulator> simulator =
        SimulatedProduct::fromFile(parser.positionalArguments().constFirst(), &error);
    if (!simulator) {
        err << "quelm-simulator: " << error << Qt::endl;
        return 1;
    }
    simulator->setTiming(!parser.isSet(noTimingOption));
    const QString stateFile = parser.value(stateOption);
    // The state is this simulator's while it serves: a run of quelmctl on the
    // same file waits for it, and is refused after its bounded wait.
    std::unique_ptr<SimulatorState> state;
    if (!stateFile.isEmpty()
        && (!(state = SimulatorState::lock(stateFile, SimulatorState::DefaultLockWaitMs, &error))
            || !state->load(*simulator, &error))) {
        err << "quelm-simulator: " << error << Qt::endl;
        return 1;
    }
    // Starting is a power cycle of the product the state describes: its
    // parts load their volatile registers, the bridge comes up at 9600 baud
    // and announces itself (in place of the bare product's announcement).
    simulator->takeOutput();
    simulator->restart();
    simulator->setRestartAfter(restartAfter);

    PtyServer server(simulator.get(), state.get(), parser.isSet(verboseOption));
    if (!server.open()) {
        err << "quelm-simulator: " << server.errorString() << Qt::endl;
        return 1;
    }
    quitOnSignals(&app);
    out << server.devicePath() << Qt::endl;
    return app.exec();
}
