#ifndef QUELMDEVICES_AD5144ADEVICE_H
#define QUELMDEVICES_AD5144ADEVICE_H

#include "pageddevice.h"

// AD5144A: quad digital potentiometer: four wiper (RDAC) registers, each read and written on its own.
class QUELMDEVICES_EXPORT AD5144ADevice : public PagedDevice
{
    Q_OBJECT

public:
    AD5144ADevice(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_AD5144ADEVICE_H
