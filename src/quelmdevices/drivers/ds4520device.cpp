#include "ds4520device.h"

#include <QtCore/QTextStream>

namespace {
// type, memory size, read pages {count, size, stride}, write pages
const DeviceGeometry geometry = {Device::DS4520, 248, {9, 8, 8}, {9, 8, 8}};
constexpr int registerPage = 8;
constexpr int registerPageAddress = 0xF0;
} // namespace

DS4520Device::DS4520Device(const int& bus, const int& address, const QString& name, QObject* parent)
    : PagedDevice(geometry, bus, address, name, parent)
{
    m_pullUpEnables = QByteArray::fromHex("FF01");
    clearTxData();
}

int DS4520Device::readPageAddress(const int& page) const
{
    return page == registerPage ? registerPageAddress : PagedDevice::readPageAddress(page);
}

int DS4520Device::writePageAddress(const int& page) const
{
    return page == registerPage ? registerPageAddress : PagedDevice::writePageAddress(page);
}

bool DS4520Device::ioPinState(const int&, const int&) const { return false; }
bool DS4520Device::ioPinPullUpEnable(const int&, const int&) const { return false; }
unsigned char DS4520Device::ioPortValue(const int&, const int&) const { return 0; }
void DS4520Device::setIoPinState(const int&, const bool&) {}
void DS4520Device::setIoPinPullUpEnable(const int&, const bool&) {}
void DS4520Device::setIoPortValue(const int&, const unsigned char&) {}
void DS4520Device::setPullUpEnables(const QByteArray& enables) { m_pullUpEnables = enables; }

void DS4520Device::clearTxData()
{
    Device::clearTxData();
}

void DS4520Device::setTxData(const QByteArray& bytes)
{
    Device::setTxData(bytes);
}

QTextStream& DS4520Device::output(QTextStream& stream) const
{
    return stream;
}

QTextStream& DS4520Device::toHtml(QTextStream& stream) const
{
    return Device::toHtml(stream);
}
