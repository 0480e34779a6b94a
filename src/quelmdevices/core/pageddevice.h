#ifndef QUELMDEVICES_PAGEDDEVICE_H
#define QUELMDEVICES_PAGEDDEVICE_H

#include "device.h"

#include <limits>

// Pages of one size that follow each other at a fixed stride: page p starts
// at stride * p. A stride of 0 puts every page at address 0. A page number so
// far out that its address leaves the int range gets the nearest int, which
// lies past any memory just as well.
struct PageLayout
{
    int pages;
    int size;
    int stride;

    int address(const int& page) const
    {
        return int(qBound<qint64>(std::numeric_limits<int>::min(), qint64(stride) * page,
                                  std::numeric_limits<int>::max()));
    }
};

// The facts that tell one part from another: its type, memory size and pages.
struct DeviceGeometry
{
    Device::DeviceTypes type;
    int memorySize;
    PageLayout read;
    PageLayout write;
};

// A device whose page geometry is one table of facts. Drivers declare their
// geometry once and override only what is special about their part.
class QUELMDEVICES_EXPORT PagedDevice : public Device
{
public:
    QString partName() const override;
    int readPages() const override;
    int writePages() const override;
    int readPageSize(const int& page) const override;
    int writePageSize(const int& page) const override;
    int readPageAddress(const int& page) const override;
    int writePageAddress(const int& page) const override;
    int memorySize() const override;

protected:
    // Sets the device type and clears both buffers to the memory size.
    PagedDevice(const DeviceGeometry& geometry, const int& bus, const int& address,
                const QString& name, QObject* parent);

private:
    const DeviceGeometry& m_geometry;
};

#endif // QUELMDEVICES_PAGEDDEVICE_H
