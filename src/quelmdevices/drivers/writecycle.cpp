#include "writecycle.h"

#include "parts.h"

namespace {

bool inRanges(const QList<WriteCycle::Range>& ranges, int value)
{
    for (const WriteCycle::Range& range : ranges) {
        if (range.contains(value))
            return true;
    }
    return false;
}

} // namespace

// The cycles of the part lines that have one, in type order.
const QList<WriteCycle>& WriteCycle::table()
{
    static const QList<WriteCycle> cycles = [] {
        QList<WriteCycle> all;
        for (const Part& part : Part::table()) {
            if (part.writeCycle)
                all.append(*part.writeCycle);
        }
        return all;
    }();
    return cycles;
}

const WriteCycle* WriteCycle::of(int type)
{
    for (const WriteCycle& cycle : table()) {
        if (cycle.type == type)
            return &cycle;
    }
    return nullptr;
}

bool WriteCycle::startsWith(const QByteArray& written, bool shadowing) const
{
    if (written.isEmpty())
        return false;
    const int first = quint8(written.at(0));
    if (addressing == Addressing::Instruction) {
        if (!inRanges(programs, first))
            return false;
        return operand < 0 || (written.size() > 1 && quint8(written.at(1)) == operand);
    }
    // Register pointer, then the data bytes at pointer, pointer + 1, ...
    for (int i = 1; i < written.size(); ++i) {
        const int address = (first + i - 1) & 0xFF;
        if (inRanges(programs, address) || (shadowing && inRanges(shadowed, address)))
            return true;
    }
    return false;
}
