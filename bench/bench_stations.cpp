// A station programming several products at once: quelmctl's write with
// verify on 1, 4 and 16 products, each a quelm-simulator on its own
// pseudo-terminal at 115200 baud, in real time through the serial ports as
// with real adapters. What the station promises is that more products cost
// little more wall time than one: each product's run is measured against
// one product's in the same run of the benchmark, and the host's CPU time
// per product is counted apart from the simulators' (a real product's bridge
// has its own processor; here the simulated ones share the host's cores).

#include <cli.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTextStream>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include <memory>
#include <vector>

namespace {

constexpr int StationBaudRate = 115200;

// One product's wall time, from the one-product row that runs first.
double oneProductSeconds = 0;

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// count quelm-simulator processes serving the demo product, each on its
// own pseudo-terminal, stopped with the station.
class Station
{
public:
    explicit Station(int count)
    {
        const QString demo = m_dir.filePath(QStringLiteral("demo.json"));
        if (!m_dir.isValid() || !QFile::copy(QStringLiteral(QUELMCTL_DEMO), demo))
            return;
        QStringList ports;
        for (int unit = 0; unit < count; ++unit) {
            auto& served = m_served.emplace_back(std::make_unique<QProcess>());
            // No --state: the simulator would save its whole state after
            // every chunk it reads, which is its test's, not a product's, work.
            served->start(QStringLiteral(QUELM_SIMULATOR_PROGRAM), {demo});
            if (!served->waitForReadyRead(10000))
                return;
            ports.append(QString::fromLocal8Bit(served->readLine()).trimmed());
        }
        QFile list(m_dir.filePath(QStringLiteral("ports.txt")));
        if (!list.open(QIODevice::WriteOnly) || list.write(ports.join(QLatin1Char('\n')).toLocal8Bit()) < 0)
            return;
        m_arguments = QStringList{QStringLiteral("quelmctl"), QStringLiteral("write"), QStringLiteral("-q"),
                                  QStringLiteral("--baud"), QString::number(StationBaudRate),
                                  QStringLiteral("--ports"), list.fileName(), demo};
    }
    ~Station()
    {
        for (const auto& served : m_served) {
            served->terminate();
            served->waitForFinished(10000);
        }
    }

    // A write with verify on every product, with serial numbers from first on
    // so that each write has a page to write. Empty when every product passed.
    // The simulators' CPU time so far (user and system), from /proc.
    double simulatorCpuSeconds() const
    {
        double seconds = 0;
        for (const auto& served : m_served) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(served->processId()));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // After the command's name in parentheses: utime and stime are
            // the 12th and 13th fields.
            const QByteArray text = stat.readAll();
            const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            seconds += (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
        }
        return seconds;
    }

    QString write(int first)
    {
        if (m_arguments.isEmpty())
            return QStringLiteral("the simulators could not be started");
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        const QStringList arguments = m_arguments + QStringList{QStringLiteral("--each"),
                                                                 QStringLiteral("serial=%1+").arg(first)};
        if (runQuelmCtl(arguments, outStream, errStream, false) == 0)
            return {};
        const QStringList failed = out.split(QLatin1Char('\n')).filter(QStringLiteral(" failed: "));
        return err + failed.join(QLatin1Char('\n'));
    }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_served;
    QStringList m_arguments;
};

void BM_StationWriteVerify(benchmark::State& state)
{
    const int products = int(state.range(0));
    Station station(products);
    int serial = 51450000;
    // The first write moves every bridge from its power-on rate.
    QString error = station.write(serial);
    const double cpuBefore = processCpuSeconds();
    const double simulatorsBefore = station.simulatorCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        serial += 100;
        if (error.isEmpty())
            error = station.write(serial);
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (!error.isEmpty()) {
        state.SkipWithError(qPrintable(error.left(300)));
        return;
    }
    const double iterations = double(state.iterations());
    const double seconds = wall.count() / iterations;
    if (products == 1)
        oneProductSeconds = seconds;
    state.counters["cpu_ms_per_product"] = (processCpuSeconds() - cpuBefore) * 1000 / iterations / products;
    state.counters["sim_cpu_ms_per_product"] =
        (station.simulatorCpuSeconds() - simulatorsBefore) * 1000 / iterations / products;
    // 0 when the one-product row did not run first.
    state.counters["vs_one_product"] = oneProductSeconds > 0 ? seconds / oneProductSeconds : 0;
}

} // namespace

BENCHMARK(BM_StationWriteVerify)->Arg(1)->Arg(4)->Arg(16)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);
