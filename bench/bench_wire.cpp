// The runner's time on the wire, on the simulator's virtual clock, against
// two floors worked out from the same timing (WireFloor): the streaming
// floor, for a host that queues any number of commands in the bridge with no
// adapter in the way, and the FIFO-safe floor, for the best host that never
// has more unconfirmed bytes in the bridge than its receive FIFO holds, on
// the same link. The FIFO-safe floor's schedule is played on a fresh
// simulator as well: it must end exactly when the floor says, with nothing
// lost or refused, so the floor is a schedule a host could run.

#include "benchproduct.h"
#include "wirefloor.h"

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
// No adapter, an FTDI adapter asked for low latency, one at its default.
constexpr int LatencyTimersMs[] = {0, 1, 16};

std::optional<UsbAdapter> adapterOf(int latencyMs)
{
    if (latencyMs <= 0)
        return std::nullopt;
    return UsbAdapter{std::chrono::milliseconds(latencyMs)};
}

// A simulated product behind a link, the bridge set to the bench's rate and
// I2C clock, then the adapter put in. start: when the setup was done and the
// bridge idle.
struct Bench
{
    std::unique_ptr<BridgeSimulator> simulator;
    std::unique_ptr<SimulatorLink> link;
    Duration start{0};
    QString error;

    Bench(const Fixture& fixture, const qint32 rate, const BridgeSetup::I2CClock clock, const int latencyMs)
        : simulator(simulatorOf(fixture)), link(std::make_unique<SimulatorLink>(simulator.get()))
    {
        // The bridge was just powered on: its "OK" comes first.
        BridgeStatus::readAnnouncement(link.get(), 10);
        BridgeSetup setup(link.get());
        if (!setup.setBaudRate(rate) || !setup.setI2CClock(clock))
            error = setup.errorString();
        link->setAdapter(adapterOf(latencyMs));
        start = end();
    }

    Duration end() const { return std::max(link->now(), simulator->busyUntil()); }

    WireFloor::Timing timing(const int latencyMs) const
    {
        return {simulator->byteTime(), simulator->i2cClockPeriod(), start, Duration(0), adapterOf(latencyMs)};
    }
};

// The lists of one benchmark: the full read, or a write of every page
// followed by the read that verifies it.
std::vector<QList<DeviceCommand*>> listsOf(const Fixture& fixture, const bool write)
{
    if (!write)
        return {fixture.product->readCommands()};
    return {fixture.product->writeCommands(), fixture.product->readCommands()};
}

// Plays the floor's schedule on the bench: every byte handed to the link
// when the schedule says, every answer read. Empty when it ends when the
// floor says, with nothing dropped or refused on the way.
QString replay(Bench* bench, const WireFloor::Result& floor)
{
    for (std::size_t i = 0; i < floor.sendTimes.size(); ++i) {
        bench->link->wait(floor.sendTimes[i] - bench->link->now());
        bench->link->write(floor.bytes.mid(int(i), 1));
    }
    const QByteArray answers = bench->link->read(floor.answerBytes, 1000 * 1000);
    const QStringList notes = bench->simulator->notes();
    if (!notes.isEmpty())
        return QStringLiteral("the floor's schedule on the simulator: %1").arg(notes.constFirst());
    if (answers.size() != floor.answerBytes || bench->end() - bench->start != floor.time)
        return QStringLiteral("the floor's schedule takes %1 ms on the simulator, not %2 ms (%3 of %4 answer bytes)")
            .arg(SC18IM700Protocol::seconds(bench->end() - bench->start) * 1e3, 0, 'f', 6)
            .arg(SC18IM700Protocol::seconds(floor.time) * 1e3, 0, 'f', 6)
            .arg(answers.size()).arg(floor.answerBytes);
    return QString();
}

void BM_WireAgainstFloor(benchmark::State& state, const bool write)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    const qint32 rate = Rates[state.range(1)];
    const auto clock = state.range(2) ? BridgeSetup::I2CClock::Fast : BridgeSetup::I2CClock::Standard;
    const int latencyMs = LatencyTimersMs[state.range(3)];
    if (write)
        makeSomePagesDirty(*fixture, 1);
    const std::vector<QList<DeviceCommand*>> lists = listsOf(*fixture, write);
    const std::vector<WireFloor::Step> steps = WireFloor::stepsOf(lists, fixture->deviceList());

    Duration runnerTime{0};
    WireFloor::Result fifoSafe;
    WireFloor::Result streaming;
    int commands = 0;
    for (auto _ : state) {
        Bench run(*fixture, rate, clock, latencyMs);
        CommandRunner runner(run.link.get());
        runner.setProduct(fixture->deviceList(), true);
        runner.setI2CClockDivider(BridgeSetup::clockSetting(clock).divider());
        for (const QList<DeviceCommand*>& commands : lists) {
            const RunResult result = runner.run(commands);
            if (!result.ok())
                run.error = result.errorString;
        }
        runnerTime = run.end() - run.start;

        fifoSafe = WireFloor::fifoSafe(steps, run.timing(latencyMs));
        streaming = WireFloor::streaming(steps, run.timing(latencyMs));
        Bench played(*fixture, rate, clock, latencyMs);
        QString error = run.error;
        for (const QString& problem : {fifoSafe.error, played.error, fifoSafe.error.isEmpty() ? replay(&played, fifoSafe) : QString()}) {
            if (error.isEmpty())
                error = problem;
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
    state.counters["latency_ms"] = latencyMs;
    state.counters["runner_ms"] = SC18IM700Protocol::seconds(runnerTime) * 1e3;
    state.counters["fifo_floor_ms"] = SC18IM700Protocol::seconds(fifoSafe.time) * 1e3;
    state.counters["streaming_ms"] = SC18IM700Protocol::seconds(streaming.time) * 1e3;
    state.counters["floor_reads"] = fifoSafe.confirmingReads;
    const auto ratio = [&](const Duration floor) {
        return floor.count() > 0 ? double(runnerTime.count()) / double(floor.count()) : 0.0;
    };
    state.counters["ratio_fifo"] = ratio(fifoSafe.time);
    state.counters["ratio_streaming"] = ratio(streaming.time);
}

void BM_WireReadList(benchmark::State& state) { BM_WireAgainstFloor(state, false); }
void BM_WireWriteVerify(benchmark::State& state) { BM_WireAgainstFloor(state, true); }

// Devices; rate index into Rates; I2C clock 0 standard, 1 fast; adapter
// index into LatencyTimersMs. One iteration each: the virtual clock gives
// the same figure every time.
void wireArguments(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ArgNames({"devices", "rate", "fast", "adapter"})
        ->ArgsProduct({{8, 64, 512}, {0, 1, 2}, {0, 1}, {0, 1, 2}})
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_WireReadList)->Apply(wireArguments);
BENCHMARK(BM_WireWriteVerify)->Apply(wireArguments);
