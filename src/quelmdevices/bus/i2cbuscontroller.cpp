#include "i2cbuscontroller.h"

I2CBusController::I2CBusController(const QString& name, QObject* parent)
    : Device(0, 0, name, parent)
{
}
