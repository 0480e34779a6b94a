#include "link.h"

Link::~Link() = default;

bool Link::drain()
{
    return true;
}

qint32 Link::baudRate() const
{
    return 0;
}

bool Link::setBaudRate(qint32 rate)
{
    setErrorString(QStringLiteral("this link has no baud rate to set to %1").arg(rate));
    return false;
}
