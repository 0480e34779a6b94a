#include "rawbus.h"

#include "product.h"
#include "scanmodel.h"
#include "transport.h"

#include <device.h>
#include <devicecommand.h>
#include <sc18im700protocol.h>

#include <QtCore/QRegularExpression>

using namespace SC18IM700Protocol;

namespace RawI2C {

namespace {

// "S", the address byte and the count open every message.
constexpr int MessageHead = 3;

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

// One data word of a write: a byte, or a byte with a suffix that fills the
// message's remaining length.
bool appendData(const QString& word, int length, QByteArray* data)
{
    const QChar last = word.isEmpty() ? QChar() : word.back();
    const bool fills = last == QLatin1Char('=') || last == QLatin1Char('+') || last == QLatin1Char('-');
    const std::optional<int> value = number(fills ? word.chopped(1) : word);
    if (!value)
        return false;
    const int step = last == QLatin1Char('+') ? 1 : last == QLatin1Char('-') ? -1 : 0;
    const int end = fills ? length : data->size() + 1;
    for (int next = *value; data->size() < end; next += step)
        data->append(char(next & 0xFF));
    return true;
}

// "w2@0x50", "r4": a message without its data. Without an address it
// keeps the one before (`previous`, -1 for none).
std::optional<Message> messageHead(const QString& word, int previous, QString* error)
{
    static const QRegularExpression head(QStringLiteral("^([rw])([0-9]+|0x[0-9a-f]+)(?:@(.*))?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(word);
    const std::optional<int> length = match.hasMatch() ? number(match.captured(2)) : std::nullopt;
    if (!length) {
        *error = QStringLiteral("\"%1\" is no message: w or r, a length up to 255 and an optional @address, "
                                "such as w2@0x50").arg(word);
        return std::nullopt;
    }
    const std::optional<int> named = word.contains(QLatin1Char('@')) ? address(match.captured(3), error)
                                                                     : std::make_optional(previous);
    if (!named)
        return std::nullopt;
    const Message message{match.captured(1).compare(QLatin1String("r"), Qt::CaseInsensitive) == 0, *named, *length, {}};
    if (message.address < 0)
        *error = QStringLiteral("%1 names no address, and no message before it does").arg(word);
    else if (message.read && message.length == 0)
        *error = QStringLiteral("%1 reads no byte").arg(word);
    else
        return message;
    return std::nullopt;
}

} // namespace

std::optional<int> number(const QString& text, const int maximum)
{
    // At most 7 hex or 9 decimal digits: every such number fits an int.
    static const QRegularExpression form(QStringLiteral("^(?:0x([0-9a-f]{1,7})|([0-9]{1,9}))$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text);
    const int value = match.capturedLength(1) > 0 ? match.captured(1).toInt(nullptr, 16) : match.captured(2).toInt();
    if (!match.hasMatch() || value < 0 || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<int> address(const QString& text, QString* error)
{
    const std::optional<int> value = number(text, 0x7F);
    if (value && *value >= FirstAddress && *value <= LastAddress)
        return value;
    *error = value ? QStringLiteral("address %1 is outside 0x%2-0x%3").arg(text, hex2(FirstAddress), hex2(LastAddress))
                   : QStringLiteral("\"%1\" is no 7-bit address (0x%2-0x%3)").arg(text, hex2(FirstAddress), hex2(LastAddress));
    return std::nullopt;
}

std::optional<QList<Message>> parseTransfer(const QStringList& words, QString* error)
{
    QList<Message> messages;
    for (int i = 0; i < words.size();) {
        const int previous = messages.isEmpty() ? -1 : messages.constLast().address;
        std::optional<Message> message = messageHead(words.at(i), previous, error);
        if (!message)
            return std::nullopt;
        const QString name = words.at(i++);
        while (!message->read && message->data.size() < message->length) {
            if (i == words.size() || !appendData(words.at(i), message->length, &message->data)) {
                *error = i == words.size()
                    ? QStringLiteral("%1 needs %2 data bytes, %3 given").arg(name).arg(message->length).arg(message->data.size())
                    : QStringLiteral("%1: \"%2\" is no data byte (0x00-0xff, optionally followed by =, + or -)")
                          .arg(name, words.at(i));
                return std::nullopt;
            }
            ++i;
        }
        messages.append(*message);
    }
    if (messages.isEmpty())
        *error = QStringLiteral("give at least one message, such as w1@0x50 0x00 r4");
    return messages.isEmpty() ? std::nullopt : std::make_optional(messages);
}

QList<Message> readByte(const int address)
{
    return {{true, address, 1, {}}};
}

QList<Message> readRegisters(const int address, const int firstRegister, const int count)
{
    return {{false, address, 1, QByteArray(1, char(firstRegister))}, {true, address, count, {}}};
}

QList<Message> writeRegister(const int address, const int reg, const int value)
{
    QByteArray data;
    data += char(reg);
    data += char(value);
    return {{false, address, 2, data}};
}

bool writes(const QList<Message>& messages)
{
    return std::any_of(messages.cbegin(), messages.cend(), [](const Message& message) { return !message.read; });
}

QByteArray commandString(const QList<Message>& messages)
{
    QByteArray bytes;
    for (const Message& message : messages) {
        bytes += Start;
        bytes += char((message.address << 1) | (message.read ? ReadBit : 0));
        bytes += char(message.length);
        bytes += message.data;
    }
    return bytes + Stop;
}

int answerSize(const QList<Message>& messages)
{
    int size = 0;
    for (const Message& message : messages)
        size += message.read ? message.length : 0;
    return size;
}

// The bridge takes a string of at most LongestCommandString bytes (a longer
// one puts wrong bytes on the bus) and holds at most TransmitFifoSize answer
// bytes; cutting the transfer in two would put a stop between its messages.
QString fitError(const QList<Message>& messages)
{
    int size = 1; // the stop
    for (const Message& message : messages)
        size += MessageHead + message.data.size();
    if (size > LongestCommandString)
        return QStringLiteral("the messages make a %1-byte command string; the bridge takes at most %2 in one, and "
                              "two strings would put a stop between them").arg(size).arg(LongestCommandString);
    const int answer = answerSize(messages);
    if (answer > TransmitFifoSize)
        return QStringLiteral("the reads ask for %1 bytes; the bridge holds at most %2 answer bytes of one string")
            .arg(answer).arg(TransmitFifoSize);
    return QString();
}

QString detectGrid(const QList<int>& answered)
{
    QString grid = QStringLiteral("     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n");
    for (int row = 0; row < 0x80; row += 0x10) {
        QString line = hex2(row) + QLatin1Char(':');
        for (int address = row; address < row + 0x10; ++address) {
            if (address < FirstAddress || address > LastAddress)
                line += QLatin1String("   ");
            else
                line += QLatin1Char(' ') + (answered.contains(address) ? hex2(address) : QStringLiteral("--"));
        }
        // Rows end where their last cell's text does.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        grid += line + QLatin1Char('\n');
    }
    return grid;
}

QString dumpGrid(const QVector<int>& values)
{
    QString grid = QStringLiteral("     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n");
    for (int row = 0; row < RegisterCount; row += 0x10) {
        QString cells;
        QString text;
        for (int reg = row; reg < row + 0x10; ++reg) {
            const int value = values.value(reg, -1);
            cells += QLatin1Char(' ') + (value < 0 ? QStringLiteral("XX") : hex2(value));
            // Erased (ff) and cleared (00) bytes are dots, other unprintable ones "?".
            text += value < 0 ? QLatin1Char('X')
                : value == 0x00 || value == 0xFF ? QLatin1Char('.')
                : value < 0x20 || value > 0x7E ? QLatin1Char('?')
                : QLatin1Char(char(value));
        }
        grid += hex2(row) + QLatin1Char(':') + cells + QLatin1String("    ") + text + QLatin1Char('\n');
    }
    return grid;
}

QString bytesText(const QByteArray& bytes)
{
    QStringList words;
    for (const char byte : bytes)
        words.append(QLatin1String("0x") + hex2(quint8(byte)));
    return words.join(QLatin1Char(' '));
}

} // namespace RawI2C

namespace {

// Where the runner stores a raw read's answer. Its address is odd, so no
// transaction names it: the runner takes a raw write into a described part
// for that part's, and waits for its write cycle.
class AnswerBuffer : public Device
{
public:
    explicit AnswerBuffer(int size)
        : Device(0, 0xFF, QStringLiteral("raw")), m_size(size)
    {
        clearRxData();
    }

    int readPages() const override { return 1; }
    int writePages() const override { return 0; }
    int readPageSize(const int&) const override { return m_size; }
    int writePageSize(const int&) const override { return 0; }
    int readPageAddress(const int&) const override { return 0; }
    int writePageAddress(const int&) const override { return 0; }
    int memorySize() const override { return m_size; }

private:
    int m_size;
};

// Commands made for one run, deleted with it.
struct OwnedCommands
{
    QList<DeviceCommand*> list;
    ~OwnedCommands() { qDeleteAll(list); }
};

} // namespace

RawBus::RawBus(LoadedProduct& product, Transport& transport)
    : m_product(product), m_transport(transport)
{
    m_transport.setProduct(m_product.product()->devices(), m_product.description().gpioBusSelect);
}

std::optional<ExpectedPart> RawBus::describedAt(const LoadedProduct& product, const int bus, const int address)
{
    for (const SegmentScan& segment : describedSegments(product.description())) {
        const ExpectedPart* const part = segment.bus == bus ? segment.expectedAt(quint8(address << 1)) : nullptr;
        if (part)
            return *part;
    }
    return std::nullopt;
}

bool RawBus::selectBus(const int bus, QString* error)
{
    if (bus < 0)
        return true;
    OwnedCommands select{m_product.product()->initializeMasterBusController()};
    select.list.append(m_product.product()->selectBusCommand(bus));
    const RunResult result = m_transport.run(select.list);
    if (!result.ok())
        *error = QStringLiteral("selecting bus %1: %2").arg(bus).arg(result.errorString);
    return result.ok();
}

std::optional<QList<int>> RawBus::detect(QString* error)
{
    const ScanResult scan = m_transport.scan(quint8(RawI2C::FirstAddress << 1), quint8(RawI2C::LastAddress << 1));
    if (!scan.ok()) {
        *error = scan.errorString;
        return std::nullopt;
    }
    QList<int> answered;
    for (const quint8 address : scan.answered)
        answered.append(address >> 1);
    return answered;
}

RawResult RawBus::transfer(const QList<RawI2C::Message>& messages)
{
    RawResult result;
    result.error = messages.isEmpty() ? QStringLiteral("no message to send") : RawI2C::fitError(messages);
    if (!result.ok())
        return result;
    const int answerSize = RawI2C::answerSize(messages);
    AnswerBuffer buffer(answerSize);
    const QString description = QStringLiteral("Raw transfer to 0x%1").arg(messages.value(0).address, 2, 16, QLatin1Char('0'));
    const QByteArray bytes = RawI2C::commandString(messages);
    const OwnedCommands command{{answerSize > 0 ? new DeviceCommand(description, &buffer, 0, bytes)
                                                : new DeviceCommand(description, bytes)}};
    const RunResult run = m_transport.run(command.list);
    result.status = run.status;
    if (run.ok()) {
        result.answer = buffer.rxData(0, quint8(answerSize));
    } else if (run.status >= 0) {
        const int address = run.address >= 0 ? run.address >> 1 : messages.value(0).address;
        result.error = QStringLiteral("0x%1: %2 (I2C status %3)")
                           .arg(address, 2, 16, QLatin1Char('0')).arg(statusText(run.status), hexByte(run.status));
    } else {
        result.error = run.errorString;
    }
    return result;
}
