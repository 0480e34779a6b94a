#ifndef QUELMDEVICES_ISL22343DEVICE_H
#define QUELMDEVICES_ISL22343DEVICE_H

#include "pageddevice.h"

//! ISL22343: quad digital potentiometer (Device::ISL22343): four wiper
//! registers and a small EEPROM, read in one go, written a register at a
//! time. 15 bytes: the wipers IVR0 to IVR3 at 0x00 to 0x03, general-purpose
//! EEPROM at 0x04 to 0x0E. One read page of 15 bytes at 0, whatever the page
//! number; write page p is the byte at p.
class QUELMDEVICES_EXPORT ISL22343Device : public PagedDevice
{
    Q_OBJECT

public:
    //! An ISL22343 on \a bus at \a address, named \a name; both buffers 15
    //! zero bytes.
    ISL22343Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 15 bytes; one read page of 15 bytes, 15 write pages of one.
    const DeviceGeometry& geometry() const override;

    //! The text report: IVR0 to IVR3, then the EEPROM as one line. It leaves
    //! the stream in hex.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: rows 0: to 3: (IVR0 to IVR3) and 4-E: (EEPROM).
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_ISL22343DEVICE_H
