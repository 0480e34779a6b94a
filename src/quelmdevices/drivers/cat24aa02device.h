#ifndef QUELMDEVICES_CAT24AA02DEVICE_H
#define QUELMDEVICES_CAT24AA02DEVICE_H

#include "pageddevice.h"

// CAT24AA02: 256-byte serial EEPROM, read and written in 8-byte pages.
class QUELMDEVICES_EXPORT CAT24AA02Device : public PagedDevice
{
    Q_OBJECT

public:
    CAT24AA02Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_CAT24AA02DEVICE_H
