#ifndef QUELMDEVICES_X9408DEVICE_H
#define QUELMDEVICES_X9408DEVICE_H

#include "pageddevice.h"

// X9408: quad digital potentiometer that the product only writes: four wiper counter registers, no read pages.
class QUELMDEVICES_EXPORT X9408Device : public PagedDevice
{
    Q_OBJECT

public:
    X9408Device(const int& bus, const int& address, const QString& name, QObject* parent = nullptr);

    const DeviceGeometry& geometry() const override;

    QTextStream& output(QTextStream& stream) const override;
    QTextStream& toHtml(QTextStream& stream) const override;
};

#endif // QUELMDEVICES_X9408DEVICE_H
