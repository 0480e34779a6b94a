#include "pageddevice.h"

PagedDevice::PagedDevice(const DeviceGeometry& geometry, const int& bus, const int& address,
                         const QString& name, QObject* parent)
    : Device(bus, address, name, parent)
    , m_geometry(geometry)
{
    m_deviceType = geometry.type;
    Device::clearRxData();
    Device::clearTxData();
}

QString PagedDevice::partName() const
{
    return deviceName();
}

int PagedDevice::readPages() const
{
    return m_geometry.read.pages;
}

int PagedDevice::writePages() const
{
    return m_geometry.write.pages;
}

int PagedDevice::readPageSize(const int&) const
{
    return m_geometry.read.size;
}

int PagedDevice::writePageSize(const int&) const
{
    return m_geometry.write.size;
}

int PagedDevice::readPageAddress(const int& page) const
{
    return m_geometry.read.address(page);
}

int PagedDevice::writePageAddress(const int& page) const
{
    return m_geometry.write.address(page);
}

int PagedDevice::memorySize() const
{
    return m_geometry.memorySize;
}
