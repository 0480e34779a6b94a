#include "bridgestatus.h"

#include "link.h"

#include <sc18im700.h>

using namespace SC18IM700Protocol;

namespace BridgeStatus {

namespace {

// Where the command starting at position ends (one past its "P"), or -1
// when the string breaks off or holds something else.
int commandEnd(const QByteArray& bytes, int position, CommandShape* shape)
{
    const int size = bytes.size();
    switch (bytes.at(position)) {
    case Start:
        while (position + 2 < size && bytes.at(position) == Start) {
            const quint8 address = quint8(bytes.at(position + 1));
            const int count = quint8(bytes.at(position + 2));
            if (shape->address < 0)
                shape->address = address & ~ReadBit;
            shape->i2cClocks += ClocksPerCondition + ClocksPerByte * (1 + count);
            if (!(address & ReadBit))
                shape->writes.append({address, bytes.mid(position + 3, count)});
            position += 3 + ((address & ReadBit) ? 0 : count);
        }
        shape->i2cClocks += ClocksPerCondition;
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

int read(Link* link, int timeoutMs)
{
    if (!link || !link->write(statusReadCommand()))
        return -1;
    const QByteArray answer = link->read(1, timeoutMs);
    return answer.size() == 1 ? quint8(answer.at(0)) : -1;
}

bool readAnnouncement(Link* link, int timeoutMs)
{
    return link && link->read(AnnouncementSize, timeoutMs) == QByteArray(Announcement, AnnouncementSize);
}

bool announcementStarted(Link* link, int answer)
{
    return link && answer == quint8(Announcement[0])
        && link->read(1, AnnouncementGapMs) == QByteArray(1, Announcement[1]);
}

CommandShape CommandShape::of(const QByteArray& command)
{
    CommandShape shape;
    for (int position = 0; position >= 0 && position < command.size();)
        position = commandEnd(command, position, &shape);
    return shape;
}

} // namespace BridgeStatus
