#ifndef QUELMDEVICES_X9408DEVICE_H
#define QUELMDEVICES_X9408DEVICE_H

#include "pageddevice.h"

//! X9408: quad digital potentiometer that the product only writes
//! (Device::X9408): four wiper counter registers, WCR0 to WCR3, one byte
//! each, and no read pages. Write page p is wiper p; each is written with the
//! part's own instructions, the counter and then its transfer into data
//! register 0, which the part loads at power-on.
//!
//! Nothing reads it: its receive buffer stays zero (ProductInterface's read
//! list clears it), so it stays dirty wherever the transmit buffer holds
//! anything else.
class QUELMDEVICES_EXPORT X9408Device : public PagedDevice
{
    Q_OBJECT

public:
    //! An X9408 on \a bus at \a address, named \a name; both buffers 4 zero
    //! bytes.
    X9408Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    //! 4 bytes; no read pages, 4 write pages of one.
    const DeviceGeometry& geometry() const override;

    //! The text report: WCR0 to WCR3. It leaves the stream in hex.
    QTextStream& output(QTextStream& stream) const override;
    //! The HTML report: rows 0: to 3: (WCR0 to WCR3). A differing row's
    //! address cell puts its opening tag on a line of its own.
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_X9408DEVICE_H
