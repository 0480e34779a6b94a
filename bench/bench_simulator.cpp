// The bridge simulator's throughput on the full read and write lists, as a
// multiple of the wire: how many times faster than the bridge at 460,800
// baud it answers the same bytes, keeping time as it does in the tools.

#include "benchproduct.h"

#include <bridgestatus.h>

#include <benchmark/benchmark.h>

using namespace BenchProduct;

namespace {

// A command of the list with the part it addresses (address -1: none).
struct Paced
{
    QByteArray bytes;
    int bus;
    int address;
};

std::vector<Paced> pacedOf(const QList<DeviceCommand*>& commands)
{
    std::vector<Paced> paced;
    int bus = 0;
    for (const DeviceCommand* const command : commands) {
        const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(command->bytes());
        bus = shape.gpio >= 0 ? shape.gpio : bus;
        paced.push_back({command->bytes(), bus, shape.address});
    }
    return paced;
}

// Feeds the list as a host would that waits for no answer but keeps the
// bridge's 16-byte receive FIFO from overflowing and lets each part finish
// its write cycle: each command goes once the bridge has finished the one
// before, and one addressing a part in its cycle so that its last byte
// arrives as the cycle ends.
QByteArray feedPaced(const std::vector<Paced>& commands, BridgeSimulator& simulator)
{
    QByteArray answer;
    for (const Paced& command : commands) {
        simulator.advanceTo(simulator.busyUntil());
        const SimulatedPart* const part =
            command.address >= 0 ? simulator.part(command.bus, quint8(command.address)) : nullptr;
        if (part)
            simulator.advanceTo(part->busyUntil() - command.bytes.size() * simulator.byteTime());
        answer += simulator.feed(command.bytes);
    }
    return answer;
}

void feedList(benchmark::State& state, const QList<DeviceCommand*>& commands,
              BridgeSimulator& simulator)
{
    const std::vector<Paced> paced = pacedOf(commands);
    const double wire = wireSeconds(wireBytes(commands));
    qint64 answered = 0;
    const double perFeed = timeIterations(
        state, [&] { return feedPaced(paced, simulator); },
        [&](const QByteArray& answer) { answered = answer.size(); });
    state.counters["commands"] = double(commands.size());
    state.counters["wire_ms"] = wire * 1e3;
    // Equal to expected_bytes when every read was answered in full.
    state.counters["answered_bytes"] = double(answered);
    qint64 expected = 0;
    for (const DeviceCommand* const command : commands)
        expected += command->responseBytes();
    state.counters["expected_bytes"] = double(expected);
    // Zero when no part was addressed during its write cycle and no byte
    // found the receive FIFO full.
    state.counters["refusals"] = double(simulator.takeNotes().size());
    state.counters["times_faster_than_wire"] = perFeed > 0 ? wire / perFeed : 0.0;
}

void BM_SimulatorReadList(benchmark::State& state)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    const std::unique_ptr<BridgeSimulator> simulator = simulatorOf(*fixture);
    const QList<DeviceCommand*> commands = fixture->product->readCommands();
    feedList(state, commands, *simulator);
    qDeleteAll(commands);
}

void BM_SimulatorWriteList(benchmark::State& state)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    makeSomePagesDirty(*fixture);
    const std::unique_ptr<BridgeSimulator> simulator = simulatorOf(*fixture);
    const QList<DeviceCommand*> commands = fixture->product->writeCommands();
    feedList(state, commands, *simulator);
    qDeleteAll(commands);
}

} // namespace

BENCHMARK(BM_SimulatorReadList)->Arg(8)->Arg(64)->Arg(512)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SimulatorWriteList)->Arg(8)->Arg(64)->Arg(512)->UseManualTime()->Unit(benchmark::kMicrosecond);
