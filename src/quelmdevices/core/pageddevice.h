#ifndef QUELMDEVICES_PAGEDDEVICE_H
#define QUELMDEVICES_PAGEDDEVICE_H

#include "device.h"

#include <algorithm>
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
        return int(std::clamp<qint64>(qint64(stride) * page, std::numeric_limits<int>::min(),
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
// geometry once and override only what is special about their part. It adds
// no data member to Device: the geometry is the driver's own constant.
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

    // The driver's line of facts.
    virtual const DeviceGeometry& geometry() const = 0;

protected:
    using Device::Device;

    // Sets the device type from the geometry, then clears both buffers to the
    // memory size. A driver calls it in its constructor's body, where its own
    // geometry() and buffer clears are the ones that answer.
    void initialize();
};

#endif // QUELMDEVICES_PAGEDDEVICE_H
