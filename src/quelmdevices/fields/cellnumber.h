#ifndef QUELMDEVICES_CELLNUMBER_H
#define QUELMDEVICES_CELLNUMBER_H

#include <QtCore/QVariant>

#include <cmath>

// A model cell read as an integer, as QVariant::toInt() reads it under Qt 5.
// A host's model may hold numbers as doubles; Qt 5 rounds them half up
// (-0.5 to 0), Qt 6 rounds a negative half away from zero (-0.5 to -1). The
// field's address, size and configuration must not depend on the Qt major.
inline int cellNumber(const QVariant& cell)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const int type = cell.userType();
    if (type == QMetaType::Double || type == QMetaType::Float) {
        const double value = cell.toDouble();
        if (value < 0 && value - std::floor(value) == 0.5)
            return int(unsigned(cell.toInt()) + 1u);
    }
#endif
    return cell.toInt();
}

#endif // QUELMDEVICES_CELLNUMBER_H
