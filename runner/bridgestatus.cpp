#include "bridgestatus.h"

#include "link.h"

#include <sc18im700.h>

using namespace SC18IM700Protocol;

namespace BridgeStatus {

namespace {

struct Meaning
{
    Code code;
    const char* text;
};

const Meaning meanings[] = {
    {Ok, "transaction OK"},
    {NackOnAddress, "no acknowledge on the address"},
    {NackOnData, "no acknowledge on data"},
    {TimeOut, "bus time-out"},
};

// Where the command starting at position ends (one past its "P"), or -1
// when the string breaks off or holds something else.
int commandEnd(const QByteArray& bytes, int position, CommandShape* shape)
{
    const int size = bytes.size();
    switch (bytes.at(position)) {
    case Start:
        while (position + 2 < size && bytes.at(position) == Start) {
            const quint8 address = quint8(bytes.at(position + 1));
            if (shape->address < 0)
                shape->address = address & ~ReadBit;
            position += 3 + ((address & ReadBit) ? 0 : quint8(bytes.at(position + 2)));
        }
        break;
    case ReadRegisters:
        position = bytes.indexOf(Stop, position + 1);
        break;
    case WriteRegisters:
        for (++position; position < size && bytes.at(position) != Stop;)
            position += 2;
        break;
    case ReadGpio:
        position += 1;
        break;
    case WriteGpio:
        if (position + 1 < size)
            shape->gpio = quint8(bytes.at(position + 1));
        position += 2;
        break;
    default:
        return -1;
    }
    return position >= 0 && position < size && bytes.at(position) == Stop ? position + 1 : -1;
}

} // namespace

QByteArray readCommand()
{
    return QByteArray(1, ReadRegisters) + char(Register) + Stop;
}

QString text(int status)
{
    for (const Meaning& meaning : meanings) {
        if (meaning.code == status)
            return QString::fromLatin1(meaning.text);
    }
    return QStringLiteral("unknown status");
}

QString hexByte(int value)
{
    return QLatin1String("0x") + QString::number(value & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

int read(Link* link, int timeoutMs)
{
    if (!link || !link->write(readCommand()))
        return -1;
    const QByteArray answer = link->read(1, timeoutMs);
    return answer.size() == 1 ? quint8(answer.at(0)) : -1;
}

CommandShape CommandShape::of(const QByteArray& command)
{
    CommandShape shape;
    for (int position = 0; position >= 0 && position < command.size();)
        position = commandEnd(command, position, &shape);
    return shape;
}

} // namespace BridgeStatus
