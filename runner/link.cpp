#include "link.h"

#include <cmath>
#include <thread>

Link::Link()
{
    m_clock.start();
}

Link::~Link() = default;

bool Link::drain()
{
    return true;
}

Link::Duration Link::drainUncertainty() const
{
    return std::chrono::duration_cast<Duration>(UsbAdapter().frame) + SC18IM700Protocol::ReceiveFifoSize * byteTime();
}

Link::Duration Link::sendLatency() const
{
    return std::chrono::duration_cast<Duration>(UsbAdapter().frame);
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

Link::Duration Link::byteTime() const
{
    const qint32 rate = baudRate();
    if (rate <= 0)
        return Duration(0);
    const qint64 unitsPerSecond = Duration::period::den;
    return Duration((SC18IM700Protocol::BitsPerByte * unitsPerSecond + rate - 1) / rate);
}

Link::Duration Link::fastestByteTime() const
{
    return Duration(qint64(double(byteTime().count()) * (1.0 - SC18IM700Protocol::RateTolerance)));
}

Link::Duration Link::slowestByteTime() const
{
    return Duration(qint64(std::ceil(double(byteTime().count()) * (1.0 + SC18IM700Protocol::RateTolerance))));
}

Link::Duration Link::now() const
{
    return std::chrono::duration_cast<Duration>(std::chrono::nanoseconds(m_clock.nsecsElapsed()));
}

void Link::wait(Duration time)
{
    if (time > Duration(0))
        std::this_thread::sleep_for(time);
}
