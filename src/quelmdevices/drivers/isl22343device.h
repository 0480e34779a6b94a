#ifndef QUELMDEVICES_ISL22343DEVICE_H
#define QUELMDEVICES_ISL22343DEVICE_H

#include "pageddevice.h"

// ISL22343: quad digital potentiometer: four wiper registers and a small EEPROM, read in one go, written a register at a time.
class QUELMDEVICES_EXPORT ISL22343Device : public PagedDevice
{
    Q_OBJECT

public:
    ISL22343Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_ISL22343DEVICE_H
