#ifndef QUELMDEVICES_PAGEDDEVICE_H
#define QUELMDEVICES_PAGEDDEVICE_H

#include "device.h"

#include <algorithm>
#include <limits>

//! Pages of one size that follow each other at a fixed stride: page p
//! starts at stride * p. A stride of 0 puts every page at address 0 (a part
//! read whole from its first register, whatever the page).
struct PageLayout
{
    int pages;  //!< how many pages there are
    int size;   //!< the size of each page, in bytes
    int stride; //!< from one page's start to the next's, in bytes

    //! Where page \a page starts: stride * page. A page number so far out
    //! that its address leaves the int range gets the nearest int, which lies
    //! past any memory just as well.
    int address(const int& page) const
    {
        return int(std::clamp<qint64>(qint64(stride) * page, std::numeric_limits<int>::min(),
                                      std::numeric_limits<int>::max()));
    }
};

//! The facts that tell one part from another: its type, memory size and
//! pages. Each driver's is one line of the library's part table.
struct DeviceGeometry
{
    Device::DeviceTypes type; //!< the part type the driver models
    int memorySize;           //!< Device::memorySize()
    PageLayout read;          //!< the read pages
    PageLayout write;         //!< the write pages
};

//! A device whose page geometry is one table of facts, geometry(): every
//! driver of the library derives from it, declares its geometry once and
//! overrides only what is special about its part (the DS4520's register
//! page). It adds no data member to Device.
//!
//! Page sizes are the layout's size whatever the page number, and a page
//! number past the last is not refused: its address follows the stride.
class QUELMDEVICES_EXPORT PagedDevice : public Device
{
public:
    //! The part number, deviceName().
    QString partName() const override;
    //! geometry().read.pages.
    int readPages() const override;
    //! geometry().write.pages.
    int writePages() const override;
    //! geometry().read.size, for any page.
    int readPageSize(const int& page) const override;
    //! geometry().write.size, for any page.
    int writePageSize(const int& page) const override;
    //! geometry().read.address(page).
    int readPageAddress(const int& page) const override;
    //! geometry().write.address(page).
    int writePageAddress(const int& page) const override;
    //! geometry().memorySize.
    int memorySize() const override;

    //! The driver's line of facts, the same object for every device of the
    //! type.
    virtual const DeviceGeometry& geometry() const = 0;

protected:
    using Device::Device;

    //! Sets the device type from the geometry, then clears both buffers to
    //! the memory size. A driver calls it in its constructor's body, where
    //! its own geometry() and buffer clears are the ones that answer.
    void initialize();
};

#endif // QUELMDEVICES_PAGEDDEVICE_H
