#ifndef QUELMDEVICES_X95840DEVICE_H
#define QUELMDEVICES_X95840DEVICE_H

#include "pageddevice.h"

// X95840: quad digital potentiometer: four wiper registers read together, written one at a time.
class QUELMDEVICES_EXPORT X95840Device : public PagedDevice
{
    Q_OBJECT

public:
    X95840Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_X95840DEVICE_H
