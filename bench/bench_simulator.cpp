// The bridge simulator's throughput on the full read and write lists, as a
// multiple of the wire: how many times faster than the bridge at 460,800
// baud it answers the same bytes.

#include "benchproduct.h"

#include <benchmark/benchmark.h>

using namespace BenchProduct;

namespace {

QByteArray streamOf(const QList<DeviceCommand*>& commands)
{
    QByteArray stream;
    for (const DeviceCommand* const command : commands)
        stream += command->bytes();
    return stream;
}

void feedList(benchmark::State& state, const QList<DeviceCommand*>& commands,
              BridgeSimulator& simulator)
{
    const QByteArray stream = streamOf(commands);
    const double wire = wireSeconds(wireBytes(commands));
    qint64 answered = 0;
    const double perFeed = timeIterations(
        state, [&] { return simulator.feed(stream); },
        [&](const QByteArray& answer) { answered = answer.size(); });
    state.counters["commands"] = double(commands.size());
    state.counters["wire_ms"] = wire * 1e3;
    // Equal to expected_bytes when every read was answered in full.
    state.counters["answered_bytes"] = double(answered);
    qint64 expected = 0;
    for (const DeviceCommand* const command : commands)
        expected += command->responseBytes();
    state.counters["expected_bytes"] = double(expected);
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
