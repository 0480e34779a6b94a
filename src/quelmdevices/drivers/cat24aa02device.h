#ifndef QUELMDEVICES_CAT24AA02DEVICE_H
#define QUELMDEVICES_CAT24AA02DEVICE_H

#include "pageddevice.h"

//! CAT24AA02: 256-byte serial EEPROM (Device::CAT24AA02), read and written
//! in 32 pages of 8 bytes; page p covers 8p to 8p + 7. A page number past
//! the last is not refused: page 32 starts at 256, past the memory.
class QUELMDEVICES_EXPORT CAT24AA02Device : public PagedDevice
{
    Q_OBJECT

public:
    //! A CAT24AA02 on \a bus at \a address, named \a name; both buffers 256
    //! zero bytes.
    CAT24AA02Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 256 bytes; 32 read and 32 write pages of 8 bytes.
    const DeviceGeometry& geometry() const override;

    //! The text report: a line per page, 0-7 to F8-FF. It leaves the stream
    //! in hex.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: a row per page, 0-7: to f8-ff: in the stream's digit
    //! case.
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_CAT24AA02DEVICE_H
