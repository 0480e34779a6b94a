#ifndef QUELMCTL_UNITVALUES_H
#define QUELMCTL_UNITVALUES_H

#include <productdescription.h>

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QStringList>

#include <optional>

// A setting's value for one unit: the setting's row in the description and
// its bytes.
struct UnitValue
{
    int setting = -1;
    QByteArray value;
};
using UnitValues = QList<UnitValue>;

// The values each of units products gets, in the order of the products:
// each "NAME=START+" of each counts up from START in decimal, so that the
// digits of unit n are the number on its label (51450009, then 51450010) and
// are the setting's hex bytes as written; eachFile, when given, is a CSV
// file whose header row names settings and whose every further row is one
// unit's values in hex. Every value is checked against its setting first:
// none, with one line in error, when any unit's value does not fit.
std::optional<QList<UnitValues>> unitValues(const ProductDescription& description, const QStringList& each,
                                            const QString& eachFile, int units, QString* error);

// The description with the unit's values in place of the described ones.
ProductDescription withUnitValues(ProductDescription description, const UnitValues& values);

#endif // QUELMCTL_UNITVALUES_H
