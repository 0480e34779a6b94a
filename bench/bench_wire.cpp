// The runner's time on the wire, on the simulator's virtual clock, against
// the floor no host could beat on the same list: every byte's UART time both
// ways, every transaction's I2C time and each write-cycle wait the list's
// order makes unavoidable, for a host that knew each part's actual cycle and
// streamed its bytes without waiting for any answer.

#include "benchproduct.h"

#include <bridgesetup.h>
#include <bridgestatus.h>
#include <commandrunner.h>
#include <simulatorlink.h>

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace BenchProduct;

namespace {

using Duration = SC18IM700Protocol::Duration;

constexpr qint32 Rates[] = {9600, 115200, 460800};

// A simulated product behind a link, the bridge set to the bench's rate and
// I2C clock. start: when the setup was done and the bridge idle.
struct Bench
{
    std::unique_ptr<BridgeSimulator> simulator;
    std::unique_ptr<SimulatorLink> link;
    Duration start{0};
    QString error;

    Bench(const Fixture& fixture, const qint32 rate, const BridgeSetup::I2CClock clock)
        : simulator(simulatorOf(fixture)), link(std::make_unique<SimulatorLink>(simulator.get()))
    {
        BridgeSetup setup(link.get());
        if (!setup.setBaudRate(rate) || !setup.setI2CClock(clock))
            error = setup.errorString();
        start = end();
    }

    Duration end() const { return std::max(link->now(), simulator->busyUntil()); }
};

// The lists of one benchmark: the full read, or a write of every page
// followed by the read that verifies it.
std::vector<QList<DeviceCommand*>> listsOf(const Fixture& fixture, const bool write)
{
    if (!write)
        return {fixture.product->readCommands()};
    return {fixture.product->writeCommands(), fixture.product->readCommands()};
}

// How a host that knows each part's actual cycle sends a list. Each
// command's bytes follow the previous command's at once, unless the part it
// addresses is still in its write cycle: then they are timed so that their
// last byte arrives as the cycle ends. After a read, the next command goes
// once its answer is in (AfterAnswers), or at once (Streaming: a bound for
// a host that keeps any number of commands in the bridge's input).
enum class Host { AfterAnswers, Streaming };

Duration floorOf(const std::vector<QList<DeviceCommand*>>& lists, Bench* bench, const Host host)
{
    BridgeSimulator& simulator = *bench->simulator;
    simulator.advanceTo(bench->start);
    Duration lastAnswer = bench->start;
    QVector<Duration> answerTimes;
    for (const QList<DeviceCommand*>& commands : lists) {
        for (const DeviceCommand* const command : commands) {
            const BridgeStatus::CommandShape shape = BridgeStatus::CommandShape::of(command->bytes());
            const int bus = shape.gpio >= 0 ? shape.gpio : simulator.gpio();
            const SimulatedPart* const part =
                shape.address >= 0 ? simulator.part(bus, quint8(shape.address)) : nullptr;
            if (part)
                simulator.advanceTo(part->busyUntil() - command->bytes().size() * simulator.byteTime());
            answerTimes.clear();
            simulator.feed(command->bytes(), &answerTimes);
            if (!answerTimes.isEmpty())
                lastAnswer = std::max(lastAnswer, answerTimes.constLast());
            if (host == Host::AfterAnswers)
                simulator.advanceTo(lastAnswer);
        }
    }
    return std::max(lastAnswer, simulator.busyUntil()) - bench->start;
}

void BM_WireAgainstFloor(benchmark::State& state, const bool write)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    const qint32 rate = Rates[state.range(1)];
    const auto clock = state.range(2) ? BridgeSetup::I2CClock::Fast : BridgeSetup::I2CClock::Standard;
    if (write)
        makeSomePagesDirty(*fixture, 1);
    const std::vector<QList<DeviceCommand*>> lists = listsOf(*fixture, write);

    Duration runnerTime{0};
    Duration floorTime{0};
    Duration streamingTime{0};
    int commands = 0;
    for (auto _ : state) {
        Bench run(*fixture, rate, clock);
        CommandRunner runner(run.link.get());
        runner.setProduct(fixture->deviceList(), true);
        runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());
        for (const QList<DeviceCommand*>& commands : lists) {
            const RunResult result = runner.run(commands);
            if (!result.ok())
                run.error = result.errorString;
        }
        runnerTime = run.end() - run.start;

        QString error = run.error;
        for (const Host host : {Host::AfterAnswers, Host::Streaming}) {
            Bench oracle(*fixture, rate, clock);
            (host == Host::Streaming ? streamingTime : floorTime) = floorOf(lists, &oracle, host);
            // A note means the oracle addressed a part while it was busy.
            const QStringList notes = oracle.simulator->notes();
            if (error.isEmpty() && !oracle.error.isEmpty())
                error = oracle.error;
            if (error.isEmpty() && !notes.isEmpty())
                error = notes.constFirst();
        }
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            break;
        }
        state.SetIterationTime(SC18IM700Protocol::seconds(runnerTime));
    }
    for (const QList<DeviceCommand*>& list : lists) {
        commands += list.size();
        qDeleteAll(list);
    }
    state.counters["commands"] = commands;
    state.counters["baud"] = rate;
    state.counters["runner_ms"] = SC18IM700Protocol::seconds(runnerTime) * 1e3;
    state.counters["floor_ms"] = SC18IM700Protocol::seconds(floorTime) * 1e3;
    state.counters["streaming_ms"] = SC18IM700Protocol::seconds(streamingTime) * 1e3;
    const auto ratio = [&](const Duration floor) {
        return floor.count() > 0 ? double(runnerTime.count()) / double(floor.count()) : 0.0;
    };
    state.counters["ratio"] = ratio(floorTime);
    state.counters["ratio_streaming"] = ratio(streamingTime);
}

void BM_WireReadList(benchmark::State& state) { BM_WireAgainstFloor(state, false); }
void BM_WireWriteVerify(benchmark::State& state) { BM_WireAgainstFloor(state, true); }

// Devices; rate index into Rates; I2C clock 0 standard, 1 fast. One
// iteration each: the virtual clock gives the same figure every time.
void wireArguments(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"devices", "rate", "fast"})
        ->ArgsProduct({{8, 64, 512}, {0, 1, 2}, {0, 1}})
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_WireReadList)->Apply(wireArguments);
BENCHMARK(BM_WireWriteVerify)->Apply(wireArguments);
