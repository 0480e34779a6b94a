#ifndef QUELMBENCH_BENCHPRODUCT_H
#define QUELMBENCH_BENCHPRODUCT_H

#include <quelmdevices/quelmdevices.h>

#include <bridgesimulator.h>

#include <QtCore/QList>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

#include <memory>
#include <vector>

// A product of any size, built the way a host builds one: boards of eight
// parts spread over two bus segments each, a bus master on the first board,
// and a derived product interface that selects the segment through the
// bridge's GPIO port.
namespace BenchProduct {

// The bridge runs its UART at 460,800 baud at most; a byte is 10 bits on the
// wire (start, eight data bits, stop).
constexpr double FastestBaud = 460800.0;
constexpr double BitsPerByte = 10.0;

class Board : public Subassembly
{
public:
    using Subassembly::Subassembly;
    QString title() const override { return QStringLiteral("bench board"); }
};

class Product : public ProductInterface
{
public:
    Product() { selectBusEnabled = true; }

    DeviceCommand* selectBusCommand(const int& bus) override
    {
        return new DeviceCommand(QStringLiteral("Select Bus"), SC18IM700::writeGpioCommands(quint8(bus)));
    }
};

// One board's parts, four per bus segment. Addresses step by 2 per board so
// that boards sharing a segment never collide.
struct Part
{
    Device::DeviceTypes type;
    int segment; // 0 or 1 of the board's two segments
    int baseAddress;
};
constexpr Part boardParts[] = {
    {Device::CAT24AA02, 0, 0xA0}, {Device::DS4520, 0, 0x80},
    {Device::ISL22343, 0, 0x50}, {Device::AD5144A, 0, 0x18},
    {Device::X95840, 1, 0x28}, {Device::X9408, 1, 0x48},
    {Device::CAT24AA02, 1, 0xA0}, {Device::DS4520, 1, 0x80},
};
constexpr int PartsPerBoard = int(sizeof boardParts / sizeof boardParts[0]);

// The product owns its boards; the boards' devices and the bridge are kept
// here because the library leaves their deletion to the host.
struct Fixture
{
    std::unique_ptr<Product> product;
    std::unique_ptr<SC18IM700> bridge;
    std::vector<std::unique_ptr<Device>> devices;

    QList<Device*> deviceList() const { return product->devices(); }
};

inline std::unique_ptr<Fixture> make(const int deviceCount)
{
    auto fixture = std::make_unique<Fixture>();
    fixture->product = std::make_unique<Product>();
    fixture->bridge = std::make_unique<SC18IM700>(QStringLiteral("bridge"));
    for (int index = 0; index < deviceCount; ++index) {
        const int boardIndex = index / PartsPerBoard;
        if (index % PartsPerBoard == 0) {
            auto* const board = new Board(fixture->product.get());
            if (boardIndex == 0)
                board->setBusController(fixture->bridge.get());
            fixture->product->addSubassembly(board);
        }
        const Part& part = boardParts[index % PartsPerBoard];
        // Four boards share a pair of segments, each at its own addresses.
        const int bus = (boardIndex / 4) * 2 + part.segment;
        const int address = part.baseAddress + 2 * (boardIndex % 4);
        Subassembly* const board = fixture->product->subassemblies().constLast();
        fixture->devices.emplace_back(board->addDevice(part.type, bus, address,
                                                       QStringLiteral("part %1").arg(index)));
    }
    return fixture;
}

// A simulator holding a part for every device of the product, its segments
// selected through the GPIO port as the bench product selects them.
inline std::unique_ptr<BridgeSimulator> simulatorOf(const Fixture& fixture)
{
    auto simulator = std::make_unique<BridgeSimulator>(BridgeSimulator::BusSelect::Gpio);
    for (const auto& device : fixture.devices)
        simulator->addPart(device->deviceType(), device->busNumber(), device->busAddress());
    return simulator;
}

// Gives every device distinct transmit contents and, on every pageStep-th
// write page, a receive buffer that differs: with the default step about a
// quarter of the pages are dirty, with a step of 1 all of them.
inline void makeSomePagesDirty(const Fixture& fixture, const int pageStep = 4)
{
    for (const auto& device : fixture.devices) {
        QByteArray tx(device->memorySize(), '\0');
        for (int i = 0; i < tx.size(); ++i)
            tx[i] = char(i * 7 + device->busAddress());
        device->setTxData(tx);
        QByteArray rx = device->txBuffer();
        for (int page = 0; page < device->writePages(); page += pageStep) {
            const int address = device->writePageAddress(page);
            if (address < rx.size())
                rx[address] = char(~rx.at(address));
        }
        device->setRxData(rx);
    }
}

// Bytes the list sends plus the bytes the bridge answers.
inline qint64 wireBytes(const QList<DeviceCommand*>& commands)
{
    qint64 bytes = 0;
    for (const DeviceCommand* const command : commands)
        bytes += command->bytes().size() + command->responseBytes();
    return bytes;
}

inline double wireSeconds(const qint64 bytes)
{
    return double(bytes) * BitsPerByte / FastestBaud;
}

// The machine is shared, so the time taken is this thread's CPU time spent
// inside the build call alone, handed to the library as manual time.
inline double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// glibc defers part of the work of freeing small blocks until the next
// large request, which would charge the deletion of one list to the build
// of the next. A large request in the untimed part does that work there.
inline void settleFreedBlocks()
{
    void* const block = malloc(64 * 1024); // above the small bins, below mmap
    benchmark::DoNotOptimize(block);
    free(block);
}

// Runs build once per iteration and times it; dispose runs untimed.
template<typename Build, typename Dispose>
inline double timeIterations(benchmark::State& state, Build build, Dispose dispose)
{
    double total = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        auto result = build();
        const double elapsed = threadCpuSeconds() - start;
        state.SetIterationTime(elapsed);
        total += elapsed;
        dispose(result);
        settleFreedBlocks();
    }
    return state.iterations() ? total / double(state.iterations()) : 0.0;
}

} // namespace BenchProduct

#endif // QUELMBENCH_BENCHPRODUCT_H
