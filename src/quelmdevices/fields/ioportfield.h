#ifndef QUELMDEVICES_IOPORTFIELD_H
#define QUELMDEVICES_IOPORTFIELD_H

#include "field.h"

//! Drives a whole 8-pin port of a device from the first byte of the model
//! value. The address (column 12) is the port number; the configuration
//! (column 14) holds the pull-up enables of the port's pins, bit n for pin n.
//! They replace the device's pull-ups of pins 0 to 7 once, at construction;
//! pin 8's pull-up is kept.
//!
//! Without a model or a device the field touches neither and maps nothing.
class QUELMDEVICES_EXPORT IoPortField : public Field
{
    Q_OBJECT

public:
    //! Binds \a row to a port of \a device and sets its pins' pull-ups; size 1.
    IoPortField(QuelmModel* model, const int& row, Device* device, QObject* parent = nullptr);

    //! Sets the port's transmit value from the value's first byte (0 when empty).
    void mapToEmbeddedData() override;
    //! Writes the port's received value, one byte, as the value.
    void mapFromEmbeddedData() override;
    //! The type's name and the configuration.
    QString memoryConfigToString() const override;
};

#endif // QUELMDEVICES_IOPORTFIELD_H
