#include "busscanner.h"

#include "bridgestatus.h"
#include "commandrunner.h"
#include "link.h"

#include <sc18im700.h>

using namespace SC18IM700Protocol;

QByteArray BusScanner::probeCommand(quint8 address)
{
    return SC18IM700Protocol::probeCommand(address);
}

BusScanner::BusScanner(Link* link)
    : m_link(link), m_timeoutMs(CommandRunner::DefaultTimeoutMs)
{
}

ScanResult BusScanner::scan(const quint8 first, const quint8 last)
{
    ScanResult result;
    if (!m_link) {
        result.errorString = QStringLiteral("no link to the bridge");
        return result;
    }
    m_link->discardInput();
    for (int address = first & ~ReadBit; address <= last; address += 2) {
        if (!m_link->write(SC18IM700Protocol::probeCommand(quint8(address)))) {
            result.errorString = QStringLiteral("probing %1 could not be sent: %2")
                                     .arg(hexByte(address), m_link->errorString());
            return result;
        }
        const int status = BridgeStatus::read(m_link, m_timeoutMs);
        // A bridge that restarts forgets the segment it had selected: what
        // the scan finds after that is no longer this segment's.
        if (BridgeStatus::announcementStarted(m_link, status)) {
            result.errorString = QStringLiteral("probing %1: the bridge restarted (it said OK)")
                                     .arg(hexByte(address));
            return result;
        }
        if (status == StatusOk) {
            result.answered.append(quint8(address));
        } else if (status != StatusNackOnAddress) {
            // A bus that hangs or a bridge that is gone tells nothing about
            // the addresses after this one.
            result.errorString = status < 0
                ? QStringLiteral("probing %1: no answer to the I2C status read").arg(hexByte(address))
                : QStringLiteral("probing %1: %2 (I2C status %3)")
                      .arg(hexByte(address), statusText(status), hexByte(status));
            return result;
        }
    }
    return result;
}
