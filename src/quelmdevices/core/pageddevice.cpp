#include "pageddevice.h"

void PagedDevice::initialize()
{
    m_deviceType = geometry().type;
    clearRxData();
    clearTxData();
}

QString PagedDevice::partName() const
{
    return deviceName();
}

int PagedDevice::readPages() const
{
    return geometry().read.pages;
}

int PagedDevice::writePages() const
{
    return geometry().write.pages;
}

int PagedDevice::readPageSize(const int&) const
{
    return geometry().read.size;
}

int PagedDevice::writePageSize(const int&) const
{
    return geometry().write.size;
}

int PagedDevice::readPageAddress(const int& page) const
{
    return geometry().read.address(page);
}

int PagedDevice::writePageAddress(const int& page) const
{
    return geometry().write.address(page);
}

int PagedDevice::memorySize() const
{
    return geometry().memorySize;
}
