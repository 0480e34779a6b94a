#include "i2ccommand.h"

#include "progressdisplay.h"

#include <productdescription.h>
#include <product.h>
#include <rawbus.h>
#include <scanmodel.h>

#include <QtCore/QHash>
#include <QtCore/QTextStream>

#include <stdio.h>
#include <unistd.h>

using RawI2C::Message;

namespace {

// The command line after the verb, checked in full before anything is sent.
struct Request
{
    int address = -1;          // get, set, dump
    QList<Message> messages;   // get, set, transfer
};

std::optional<int> byteArgument(const QString& text, const char* what, QString* error)
{
    const std::optional<int> value = RawI2C::number(text);
    if (!value)
        *error = QStringLiteral("\"%1\" is no %2 (0x00-0xff)").arg(text, QLatin1String(what));
    return value;
}

std::optional<Request> parseRequest(const QString& verb, const QStringList& words, QString* error)
{
    static const QHash<QString, QPair<int, int>> counts = {
        {QStringLiteral("detect"), {0, 0}}, {QStringLiteral("get"), {1, 2}}, {QStringLiteral("set"), {3, 3}},
        {QStringLiteral("dump"), {1, 1}}, {QStringLiteral("transfer"), {1, 1 << 16}}};
    static const QHash<QString, QString> usage = {
        {QStringLiteral("detect"), QStringLiteral("takes no arguments after DESCRIPTION")},
        {QStringLiteral("get"), QStringLiteral("give ADDRESS [REGISTER]")},
        {QStringLiteral("set"), QStringLiteral("give ADDRESS REGISTER VALUE")},
        {QStringLiteral("dump"), QStringLiteral("give ADDRESS")},
        {QStringLiteral("transfer"), QStringLiteral("give at least one message, such as w1@0x50 0x00 r4")}};
    const QPair<int, int> count = counts.value(verb);
    if (words.size() < count.first || words.size() > count.second) {
        *error = usage.value(verb);
        return std::nullopt;
    }
    Request request;
    if (verb == QLatin1String("transfer")) {
        const std::optional<QList<Message>> messages = RawI2C::parseTransfer(words, error);
        if (!messages)
            return std::nullopt;
        request.messages = *messages;
        return request;
    }
    if (verb == QLatin1String("detect"))
        return request;
    const std::optional<int> address = RawI2C::address(words.at(0), error);
    if (!address)
        return std::nullopt;
    request.address = *address;
    if (verb == QLatin1String("get") && words.size() == 1) {
        request.messages = RawI2C::readByte(*address);
    } else if (verb == QLatin1String("get")) {
        const std::optional<int> reg = byteArgument(words.at(1), "register", error);
        if (!reg)
            return std::nullopt;
        request.messages = RawI2C::readRegisters(*address, *reg, 1);
    } else if (verb == QLatin1String("set")) {
        const std::optional<int> reg = byteArgument(words.at(1), "register", error);
        const std::optional<int> value = reg ? byteArgument(words.at(2), "value", error) : std::nullopt;
        if (!value)
            return std::nullopt;
        request.messages = RawI2C::writeRegister(*address, *reg, *value);
    }
    return request;
}

// The addresses the request reaches, each once.
QList<int> addressesOf(const Request& request)
{
    QList<int> addresses;
    if (request.address >= 0)
        addresses.append(request.address);
    for (const Message& message : request.messages) {
        if (!addresses.contains(message.address))
            addresses.append(message.address);
    }
    return addresses;
}

// The segment the command works on: --bus where the product selects
// segments (then it is needed), -1 for a product with one.
std::optional<int> segmentOf(const ProductDescription& description, int bus, QString* error)
{
    if (description.gpioBusSelect && bus < 0)
        *error = QStringLiteral("the product selects bus segments; name one with --bus N");
    else if (!description.gpioBusSelect && bus >= 0)
        *error = QStringLiteral("the product has one bus segment; --bus does not apply");
    else
        return description.gpioBusSelect ? bus : -1;
    return std::nullopt;
}

QString segmentText(int bus)
{
    return bus < 0 ? QStringLiteral("the bus") : QStringLiteral("bus %1").arg(bus);
}

// "w2@0x50 0x00 0x10 r1": the messages as a transfer names them.
QString messagesText(const QList<Message>& messages)
{
    QStringList words;
    for (const Message& message : messages) {
        words.append(QStringLiteral("%1%2@0x%3").arg(message.read ? 'r' : 'w').arg(message.length)
                         .arg(message.address, 2, 16, QLatin1Char('0')));
        if (!message.data.isEmpty())
            words.append(RawI2C::bytesText(message.data));
    }
    return words.join(QLatin1Char(' '));
}

// Asks on the terminal before a write; false, with the reason, when stdin
// is no terminal or the answer is not yes.
bool confirmed(QTextStream& err, const QString& what, QString* error)
{
    if (isatty(STDIN_FILENO) != 1) {
        *error = QStringLiteral("this writes to the bus: confirm on a terminal or give -y");
        return false;
    }
    err << "I will write " << what << ".\nContinue? [y/N] " << Qt::flush;
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
        return true;
    *error = QStringLiteral("not confirmed; nothing was sent");
    return false;
}

// The command's bus work once the segment is selected; prints what i2c-tools
// print. False, with the first error, when anything failed.
bool perform(const QString& verb, const Request& request, RawBus& bus, QTextStream& out, QString* error)
{
    if (verb == QLatin1String("detect")) {
        const std::optional<QList<int>> answered = bus.detect(error);
        if (answered)
            out << RawI2C::detectGrid(*answered);
        return answered.has_value();
    }
    if (verb == QLatin1String("dump")) {
        QVector<int> values(RawI2C::RegisterCount, -1);
        for (int row = 0; row < RawI2C::RegisterCount; row += RawI2C::DumpRowSize) {
            const RawResult read = bus.transfer(RawI2C::readRegisters(request.address, row, RawI2C::DumpRowSize));
            for (int i = 0; i < read.answer.size(); ++i)
                values[row + i] = quint8(read.answer.at(i));
            if (!read.ok() && error->isEmpty())
                *error = QStringLiteral("registers 0x%1-0x%2: %3").arg(row, 2, 16, QLatin1Char('0'))
                             .arg(row + RawI2C::DumpRowSize - 1, 2, 16, QLatin1Char('0')).arg(read.error);
            // Nobody at the address: every later read would fail the same way.
            if (read.status == SC18IM700Protocol::StatusNackOnAddress)
                break;
        }
        out << RawI2C::dumpGrid(values);
        return error->isEmpty();
    }
    const RawResult result = bus.transfer(request.messages);
    if (!result.ok()) {
        *error = result.error;
        return false;
    }
    int at = 0;
    for (const Message& message : request.messages) {
        if (!message.read)
            continue;
        out << RawI2C::bytesText(result.answer.mid(at, message.length)) << '\n';
        at += message.length;
    }
    return true;
}

} // namespace

QStringList i2cVerbs()
{
    return {QStringLiteral("detect"), QStringLiteral("get"), QStringLiteral("set"), QStringLiteral("dump"),
            QStringLiteral("transfer")};
}

QString i2cHelpText()
{
    return QStringLiteral(
        "Raw bus access through the bridge, shaped like the i2c-tools programs, on the bus\n"
        "segment of --bus (selected as the scan does, where the description selects segments):\n"
        "  detect                        the grid of 7-bit addresses that acknowledge an empty write\n"
        "  get ADDRESS [REGISTER]        read a byte (after writing the register number)\n"
        "  set ADDRESS REGISTER VALUE    write a byte into a register\n"
        "  dump ADDRESS                  registers 0x00-0xff, 16 to a read, as a grid (XX: read failed)\n"
        "  transfer MESSAGE...           messages joined with repeated starts in one command string:\n"
        "                                {r|w}LENGTH[@ADDRESS] and a write's bytes, such as\n"
        "                                w1@0x50 0x00 r4; a last byte with =, + or - fills the length\n"
        "                                (repeated, counting up, counting down)\n"
        "Addresses are 7-bit, 0x03-0x77, as i2c-tools take them: the description's\n"
        "8-bit address is twice that (0xA0 there is 0x50 here). Numbers are hex with 0x\n"
        "or decimal. set and a transfer that writes ask first unless -y; an address a\n"
        "described part occupies needs --force. The bridge's I2C status is read after\n"
        "every transaction. The description's settings are never read or written.");
}

int runI2C(const Invocation& invocation)
{
    QTextStream& err = *invocation.err;
    const QString prefix = QStringLiteral("quelmctl: i2c %1: ").arg(invocation.i2cVerb);
    QString error;
    const std::optional<Request> request = parseRequest(invocation.i2cVerb, invocation.arguments, &error);
    if (!request) {
        err << prefix << error << Qt::endl;
        return 2;
    }
    const std::optional<ProductDescription> description =
        ProductDescription::load(invocation.descriptionFile, &error);
    if (!description) {
        err << "quelmctl: " << error << Qt::endl;
        return 1;
    }
    const std::optional<int> segment = segmentOf(*description, invocation.bus, &error);
    if (!segment) {
        err << prefix << error << Qt::endl;
        return 2;
    }
    LoadedProduct product(*description);
    for (const int address : addressesOf(*request)) {
        const std::optional<ExpectedPart> part = RawBus::describedAt(product, *segment, address);
        if (part && !invocation.force) {
            err << prefix << "0x" << QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')) << " on "
                << segmentText(*segment) << " is " << part->name << " (" << part->type
                << "); give --force to reach it outside the description" << Qt::endl;
            return 1;
        }
    }
    const QString tooLong = RawI2C::fitError(request->messages);
    if (!tooLong.isEmpty()) {
        err << prefix << tooLong << Qt::endl;
        return 1;
    }
    // i2c-tools ask before every write of data; a register number written
    // before a read is none.
    const bool writesData = invocation.i2cVerb == QLatin1String("set")
        || (invocation.i2cVerb == QLatin1String("transfer") && RawI2C::writes(request->messages));
    if (writesData && !invocation.yes
        && !confirmed(err, QStringLiteral("%1 on %2").arg(messagesText(request->messages), segmentText(*segment)),
                      &error)) {
        err << prefix << error << Qt::endl;
        return 1;
    }

    TransportOptions options = invocation.transport;
    options.acknowledgeChecks = true;
    if (invocation.wire)
        options.wire = [&err](const char* direction, const QByteArray& bytes) {
            err << direction << ' ' << bytes.toHex(' ').toUpper() << Qt::endl;
        };
    ProgressDisplay display(err, invocation.quiet, invocation.verbose, invocation.terminal);
    const std::unique_ptr<Transport> transport = Transport::open(
        options, invocation.descriptionFile,
        [&display](Transport::Note note, const QString& line) { display.note(note, line); }, &error);
    if (!transport) {
        err << "quelmctl: " << error << Qt::endl;
        return 1;
    }
    RawBus bus(product, *transport);
    error.clear();
    bool ok = bus.selectBus(*segment, &error) && perform(invocation.i2cVerb, *request, bus, *invocation.out, &error);
    invocation.out->flush();
    if (!ok)
        err << prefix << error << Qt::endl;
    QString saveError;
    if (!transport->close(&saveError)) {
        err << "quelmctl: " << saveError << Qt::endl;
        ok = false;
    }
    return ok ? 0 : 1;
}
