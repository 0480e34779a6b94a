// Feeds arbitrary byte streams to the bridge simulator, cut into arbitrary
// chunks, and checks that the chunking changes nothing: the answers and the
// state equal those of a second simulator fed the whole stream at once.

#include "fuzzinput.h"

#include <bridgesimulator.h>

#include <QtCore/QCoreApplication>

#include <cstdlib>

namespace {

// One part of every simulated type on each of two segments.
struct Placement
{
    int type;
    quint8 address;
};
constexpr Placement placements[] = {
    {Device::DS4520, 0x90}, {Device::ISL22343, 0x50}, {Device::X95840, 0x28},
    {Device::M25P40, 0xD0}, {Device::CAT24AA02, 0xA0}, {Device::AD5144A, 0x58},
    {Device::X9408, 0x40},
};

void populate(BridgeSimulator& simulator)
{
    for (int bus = 0; bus < 2; ++bus) {
        for (const Placement& placement : placements)
            simulator.addPart(placement.type, bus, placement.address);
    }
}

void check(const bool condition)
{
    if (!condition)
        abort();
}

// Registers and every part's memory: what the bridge and the parts keep.
bool sameMemory(const BridgeSimulator& a, const BridgeSimulator& b)
{
    for (int reg = SC18IM700Protocol::BRG0; reg <= SC18IM700Protocol::I2CStat; ++reg) {
        if (a.registerValue(reg) != b.registerValue(reg))
            return false;
    }
    for (int bus = 0; bus < 2; ++bus) {
        for (const Placement& placement : placements) {
            const SimulatedPart* const left = a.part(bus, placement.address);
            const SimulatedPart* const right = b.part(bus, placement.address);
            if (bool(left) != bool(right) || (left && left->memory() != right->memory()))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 options = input.byte();
    const auto busSelect = options & 1 ? BridgeSimulator::BusSelect::Gpio
                                       : BridgeSimulator::BusSelect::None;
    const quint8 chunkSeed = input.byte();
    const QByteArray stream = input.rest();

    BridgeSimulator chunked(busSelect);
    BridgeSimulator whole(busSelect);
    populate(chunked);
    populate(whole);

    // Chunk lengths from 1 to 16, in a pattern the seed picks.
    QByteArray chunkedAnswers;
    quint32 state = chunkSeed * 2654435761u + 1;
    for (int position = 0; position < stream.size();) {
        state = state * 1103515245u + 12345u;
        const int length = int((state >> 16) % 16) + 1;
        chunkedAnswers += chunked.feed(stream.mid(position, length));
        position += length;
    }
    const QByteArray wholeAnswers = whole.feed(stream);

    check(chunkedAnswers == wholeAnswers);
    check(sameMemory(chunked, whole));
    check(chunked.pendingInputSize() == whole.pendingInputSize());

    // Now and then: a saved state restores into a fresh simulator of the
    // same product (JSON of every part is slow under the sanitizers).
    if (options & 2) {
        BridgeSimulator restored(busSelect);
        populate(restored);
        check(restored.restoreState(whole.saveState()));
        check(sameMemory(restored, whole));
    }
    return 0;
}
