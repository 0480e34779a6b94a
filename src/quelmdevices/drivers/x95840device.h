#ifndef QUELMDEVICES_X95840DEVICE_H
#define QUELMDEVICES_X95840DEVICE_H

#include "pageddevice.h"

//! X95840: quad digital potentiometer (Device::X95840): four wiper
//! registers, 0x00 to 0x03, read together, written one at a time. One read
//! page of 4 bytes at 0, whatever the page number; write page p is register p.
class QUELMDEVICES_EXPORT X95840Device : public PagedDevice
{
    Q_OBJECT

public:
    //! An X95840 on \a bus at \a address, named \a name; both buffers 4 zero
    //! bytes.
    X95840Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 4 bytes; one read page of 4 bytes, 4 write pages of one.
    const DeviceGeometry& geometry() const override;

    //! The text report: IVR0 to IVR3, then a fixed line for the registers 0x04
    //! to 0x07, which are not modelled. Its addresses are fixed texts: it
    //! leaves the stream's integer base as it was.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: rows 00: to 03: (IVR0 to IVR3).
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_X95840DEVICE_H
