#ifndef QUELMDEVICES_IOPINFIELD_H
#define QUELMDEVICES_IOPINFIELD_H

#include "field.h"

//! Drives one I/O pin of a device from bit 0 of the model value. The address
//! (column 12) is the pin number; the configuration (column 14) holds the
//! pull-up enable in bit 0 and the polarity in bit 1 (1 = active high). The
//! pull-up goes to the device once, at construction.
//!
//! Without a model or a device the field touches neither: it maps nothing,
//! sets no pull-up and its pin state is 0.
class QUELMDEVICES_EXPORT IoPinField : public Field
{
    Q_OBJECT

public:
    //! Binds \a row to a pin of \a device and sets the pin's pull-up; size 1.
    IoPinField(QuelmModel* model, const int& row, Device* device, QObject* parent = nullptr);

    //! 1 when the pin is active high, 0 when active low.
    int activeHigh() const { return m_activeHigh; }
    //! The pin's state as the model sees it, polarity applied; source 0 is the
    //! received state, any other the state to transmit.
    int ioPinState(const int& source) const;

    //! Sets the pin's transmit state from bit 0 of the value's first byte,
    //! polarity applied (an empty value is 0).
    void mapToEmbeddedData() override;
    //! Writes the received pin state, 00 or 01, polarity applied, as the value.
    void mapFromEmbeddedData() override;
    //! `IO_n` for pin n.
    QString memoryAddressToString() const override;
    //! The type's name and the configuration.
    QString memoryConfigToString() const override;

private:
    int applyPolarity(const int& state) const;

    int m_activeHigh = 0;
};

#endif // QUELMDEVICES_IOPINFIELD_H
