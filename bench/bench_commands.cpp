// Time to build each command list, against the time the list takes on the
// wire at the bridge's fastest UART rate.

#include "benchproduct.h"

#include <benchmark/benchmark.h>

#include <QtCore/QTextStream>

using namespace BenchProduct;

namespace {

// wire_ratio_pct: build time over the list's wire time, in percent.
void setListCounters(benchmark::State& state, const QList<DeviceCommand*>& sample,
                     const double secondsPerBuild)
{
    const qint64 bytes = wireBytes(sample);
    const double wire = wireSeconds(bytes);
    state.counters["commands"] = double(sample.size());
    state.counters["wire_bytes"] = double(bytes);
    state.counters["wire_ms"] = wire * 1e3;
    state.counters["wire_ratio_pct"] = wire > 0 ? secondsPerBuild / wire * 100.0 : 0.0;
    state.counters["ns_per_command"] =
        sample.isEmpty() ? 0.0 : secondsPerBuild * 1e9 / double(sample.size());
}

QList<DeviceCommand*> dirtyReadLists(ProductInterface& product)
{
    QList<DeviceCommand*> commands;
    const QList<Device*> devices = product.devices();
    for (Device* const device : devices)
        commands.append(product.readDeviceCommands(device, true));
    return commands;
}

QList<DeviceCommand*> dirtyWriteLists(ProductInterface& product)
{
    QList<DeviceCommand*> commands;
    const QList<Device*> devices = product.devices();
    for (Device* const device : devices)
        commands.append(product.writeDeviceCommands(device, true));
    return commands;
}

// The full read list is cached by its product, so every iteration times
// readCommands() on a new product made untimed; the counters come from one
// more product that outlives the loop.
void BM_ReadList(benchmark::State& state)
{
    const int size = int(state.range(0));
    std::unique_ptr<Fixture> fixture = make(size);
    // The previous product and list go after the next product is made, for
    // the reason timeList() gives.
    std::unique_ptr<Fixture> previous;
    const double perBuild = timeIterations(
        state, [&] { return fixture->product->readCommands(); },
        [&](const QList<DeviceCommand*>& commands) {
            Q_UNUSED(commands) // the fixture's product hands them out again
            std::unique_ptr<Fixture> next = make(size);
            if (previous)
                qDeleteAll(previous->product->readCommands());
            previous = std::move(fixture);
            fixture = std::move(next);
        });
    if (previous)
        qDeleteAll(previous->product->readCommands());
    const QList<DeviceCommand*> sample = fixture->product->readCommands();
    setListCounters(state, sample, perBuild);
    qDeleteAll(sample);
}

// Times one call of a list builder on a product made once. Like a host that
// keeps its last list until the next one is made, each list is deleted after
// the next build: deleting first would hand the whole heap back to the
// system between builds, and every build of a large list would then pay
// page faults that say nothing about the library.
template<typename Build>
void timeList(benchmark::State& state, Build build, const bool dirty)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    if (dirty)
        makeSomePagesDirty(*fixture);
    const QList<DeviceCommand*> sample = build(*fixture->product);
    QList<DeviceCommand*> previous;
    const double perBuild = timeIterations(
        state, [&] { return build(*fixture->product); },
        [&](const QList<DeviceCommand*>& commands) {
            qDeleteAll(previous);
            previous = commands;
        });
    qDeleteAll(previous);
    setListCounters(state, sample, perBuild);
    qDeleteAll(sample);
}

void BM_WriteList(benchmark::State& state)
{
    timeList(state, [](ProductInterface& product) { return product.writeCommands(); }, false);
}

void BM_EraseList(benchmark::State& state)
{
    timeList(state, [](ProductInterface& product) { return product.eraseCommands(); }, false);
}

void BM_DirtyReadLists(benchmark::State& state)
{
    timeList(state, dirtyReadLists, true);
}

void BM_DirtyWriteLists(benchmark::State& state)
{
    timeList(state, dirtyWriteLists, true);
}

// Every device's text and HTML report, the bus master's included, into one
// string.
void BM_Reports(benchmark::State& state)
{
    const std::unique_ptr<Fixture> fixture = make(int(state.range(0)));
    makeSomePagesDirty(*fixture);
    QList<const Device*> devices = {fixture->bridge.get()};
    for (const Device* const device : fixture->product->devices())
        devices.append(device);
    qint64 characters = 0;
    const double perReport = timeIterations(
        state,
        [&] {
            QString text;
            QTextStream stream(&text);
            for (const Device* const device : devices) {
                device->output(stream);
                device->toHtml(stream);
            }
            stream.flush();
            return text;
        },
        [&](const QString& text) { characters = text.size(); });
    state.counters["devices"] = double(devices.size());
    state.counters["characters"] = double(characters);
    state.counters["ms_all_reports"] = perReport * 1e3;
}

} // namespace

#define QUELM_PRODUCT_SIZES \
    ->Arg(8)->Arg(64)->Arg(512)->UseManualTime()->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_ReadList) QUELM_PRODUCT_SIZES;
BENCHMARK(BM_WriteList) QUELM_PRODUCT_SIZES;
BENCHMARK(BM_EraseList) QUELM_PRODUCT_SIZES;
BENCHMARK(BM_DirtyReadLists) QUELM_PRODUCT_SIZES;
BENCHMARK(BM_DirtyWriteLists) QUELM_PRODUCT_SIZES;
BENCHMARK(BM_Reports) QUELM_PRODUCT_SIZES;

BENCHMARK_MAIN();
