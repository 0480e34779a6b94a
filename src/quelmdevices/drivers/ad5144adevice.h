#ifndef QUELMDEVICES_AD5144ADEVICE_H
#define QUELMDEVICES_AD5144ADEVICE_H

#include "pageddevice.h"

//! AD5144A: quad digital potentiometer (Device::AD5144A): four wiper (RDAC)
//! registers, one byte per channel, each read and written on its own. Read
//! and write page p are channel p. The part takes instructions, not a
//! register pointer: a read selects the wiper with a read-back instruction
//! first, and a write sets the wiper, then copies it into the part's EEPROM
//! so that it holds over a power cycle (AD5144AInstruction).
class QUELMDEVICES_EXPORT AD5144ADevice : public PagedDevice
{
    Q_OBJECT

public:
    //! An AD5144A on \a bus at \a address, named \a name; both buffers 4
    //! zero bytes.
    AD5144ADevice(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 4 bytes; 4 read and 4 write pages of one.
    const DeviceGeometry& geometry() const override;

    //! The text report: a "Data" line per channel, RDAC1 to RDAC4, without
    //! addresses. It leaves the stream in hex.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: rows 00: to 03: (RDAC1 DATA to RDAC4 DATA).
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_AD5144ADEVICE_H
