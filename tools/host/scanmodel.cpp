#include "scanmodel.h"

#include "productdescription.h"

#include <algorithm>
#include <map>

const ExpectedPart* SegmentScan::expectedAt(quint8 address) const
{
    const auto found = std::find_if(expected.cbegin(), expected.cend(),
                                    [&](const ExpectedPart& part) { return part.address == address; });
    return found == expected.cend() ? nullptr : &*found;
}

QList<ExpectedPart> SegmentScan::missing() const
{
    QList<ExpectedPart> silent;
    for (const ExpectedPart& part : expected) {
        if (probed(part.address) && !answered.contains(part.address))
            silent.append(part);
    }
    return silent;
}

QList<quint8> SegmentScan::notDescribed() const
{
    QList<quint8> extra;
    for (const quint8 address : answered) {
        if (!expectedAt(address))
            extra.append(address);
    }
    return extra;
}

QList<SegmentScan> describedSegments(const ProductDescription& description)
{
    std::map<int, SegmentScan> segments;
    for (const BoardDescription& board : description.boards) {
        for (const DeviceDescription& device : board.devices) {
            const int bus = description.gpioBusSelect ? device.bus : -1;
            segments[bus].bus = bus;
            segments[bus].expected.append({quint8(device.address), device.name,
                                           Device::deviceName(device.type)});
        }
    }
    QList<SegmentScan> list;
    for (auto& [bus, segment] : segments) {
        std::sort(segment.expected.begin(), segment.expected.end(),
                  [](const ExpectedPart& a, const ExpectedPart& b) { return a.address < b.address; });
        list.append(segment);
    }
    if (list.isEmpty())
        list.append(SegmentScan{});
    return list;
}
