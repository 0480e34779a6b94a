#ifndef QUELMHOST_SCANMODEL_H
#define QUELMHOST_SCANMODEL_H

#include <QtCore/QList>
#include <QtCore/QString>

struct ProductDescription;

// A part the description places on a bus segment.
struct ExpectedPart
{
    quint8 address; // 8-bit bus address
    QString name;
    QString type;
};

// What a scan of one bus segment found, beside what the description expects.
struct SegmentScan
{
    int bus = -1;                 // -1: the product's only segment, never selected
    QList<ExpectedPart> expected; // ascending addresses
    QList<quint8> answered;       // ascending addresses
    QString error;                // why the scan stopped early, if it did
    int probedEnd = 0;            // the first address not probed: 0 before the probe

    static constexpr int WholeSegment = 0x100;
    // Whether the probe got as far as the address.
    bool probed(quint8 address) const { return address < probedEnd; }

    // The described part at the address, or null.
    const ExpectedPart* expectedAt(quint8 address) const;
    // The described parts that were probed and did not answer.
    QList<ExpectedPart> missing() const;
    QList<quint8> notDescribed() const;
};

// The segments the description uses, each with its parts: one per bus
// number when the GPIO port selects them, else one for every part; at least
// one, even for a product without devices.
QList<SegmentScan> describedSegments(const ProductDescription& description);

#endif // QUELMHOST_SCANMODEL_H
