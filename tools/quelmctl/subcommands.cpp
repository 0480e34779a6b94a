#include "subcommands.h"

#include "description.h"
#include "product.h"
#include "render.h"

#include <devicecommand.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTextStream>

#include <functional>

namespace {

// The product's header: write pages 0 to 6 of its first device.
constexpr int HeaderPages = 7;

// Commands generated for one run, deleted with it.
struct OwnedCommands
{
    QList<DeviceCommand*> list;
    ~OwnedCommands() { qDeleteAll(list); }
};

// The bytes of a write page to check after a write: {start, count}; a count
// of 0 leaves the page out.
struct ByteRange
{
    int start = 0;
    int count = 0;
};
using PageFilter = std::function<ByteRange(const Device* device, int page)>;

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex()).toUpper();
}

// One run of the tool on one product: loads it, talks to the bridge and turns
// every failure into one error line.
class Session
{
public:
    explicit Session(const Invocation& invocation) : m_in(invocation) {}

    QTextStream& out() const { return *m_in.out; }
    QTextStream& err() const { return *m_in.err; }
    LoadedProduct& product() const { return *m_product; }

    bool load();
    bool connect();
    bool run(const QList<DeviceCommand*>& commands, const QString& phase);
    bool readBack();
    bool verify(const PageFilter& include);
    int finish(bool ok);

private:
    const Invocation& m_in;
    std::unique_ptr<LoadedProduct> m_product;
    std::unique_ptr<Transport> m_transport;
};

bool Session::load()
{
    QString error;
    const std::optional<ProductDescription> description =
        ProductDescription::load(m_in.descriptionFile, &error);
    if (!description) {
        err() << error << Qt::endl;
        return false;
    }
    m_product = std::make_unique<LoadedProduct>(*description);
    return true;
}

bool Session::connect()
{
    QString error;
    m_transport = Transport::open(m_in.transport, m_in.descriptionFile, &error);
    if (!m_transport)
        err() << error << Qt::endl;
    return bool(m_transport);
}

bool Session::run(const QList<DeviceCommand*>& commands, const QString& phase)
{
    const RunResult result = m_transport->run(commands, phase, err());
    if (result.ok())
        return true;
    err() << "quelmctl: " << phase << " stopped: " << result.errorString << Qt::endl;
    if (result.applied > 0) {
        err() << "quelmctl: " << phase << ": commands 1 to " << result.applied << " of "
              << commands.size() << " were applied, the last \""
              << commands.at(result.applied - 1)->description() << '"' << Qt::endl;
    } else {
        err() << "quelmctl: " << phase << ": no command was applied" << Qt::endl;
    }
    return false;
}

bool Session::readBack()
{
    return run(m_product->readCommands(), QStringLiteral("verify"));
}

// Compares every write page that include selects, on every device that can be
// read back; a write-only device is listed as such. Counts only the devices
// with a selected page.
bool Session::verify(const PageFilter& include)
{
    int matching = 0;
    QStringList writeOnly;
    bool ok = true;
    for (const Device* device : m_product->product()->devices()) {
        QList<QPair<int, ByteRange>> pages;
        for (int page = 0; page < device->writePages(); ++page) {
            const ByteRange range = include(device, page);
            if (range.count > 0)
                pages.append({page, range});
        }
        if (pages.isEmpty())
            continue;
        if (device->readPages() == 0) {
            writeOnly.append(device->name());
            continue;
        }
        bool deviceOk = true;
        for (const auto& [page, range] : qAsConst(pages)) {
            const QByteArray wrote = device->txData(quint8(range.start), quint8(range.count));
            const QByteArray read = device->rxData(quint8(range.start), quint8(range.count));
            if (wrote == read)
                continue;
            err() << "quelmctl: verify: device \"" << device->name() << "\" page " << page
                  << ": wrote " << hex(wrote) << ", read " << hex(read) << Qt::endl;
            deviceOk = false;
        }
        matching += deviceOk ? 1 : 0;
        ok = ok && deviceOk;
    }
    out() << "verify: " << matching << (matching == 1 ? " device matches" : " devices match");
    if (!writeOnly.isEmpty())
        out() << " (write-only, not read back: " << writeOnly.join(QStringLiteral(", ")) << ')';
    out() << Qt::endl;
    return ok;
}

int Session::finish(bool ok)
{
    QString error;
    if (m_transport && !m_transport->close(&error)) {
        err() << error << Qt::endl;
        ok = false;
    }
    return ok ? 0 : 1;
}

// Reads the product, then makes the settings its wanted state: what was read
// stays where no setting says otherwise.
bool readAndApplySettings(Session& session)
{
    LoadedProduct& product = session.product();
    if (!session.run(product.readCommands(), QStringLiteral("read")))
        return false;
    product.adoptReceivedData();
    product.bindSettings();
    product.mapToDevices();
    return true;
}

// The dirty pages of every device, the header pages of the first included.
QList<DeviceCommand*> dirtyPageCommands(LoadedProduct& loaded)
{
    ProductInterface* product = loaded.product();
    const QList<Device*> devices = product->devices();
    QList<DeviceCommand*> commands;
    if (!devices.isEmpty()) {
        Device* header = devices.constFirst();
        for (int page = 0; page < qMin(HeaderPages, header->writePages()); ++page) {
            if (header->writePageIsDirty(page))
                commands += product->updateHeaderCommands(quint8(header->writePageAddress(page)),
                                                          quint8(header->writePageSize(page)));
        }
    }
    for (Device* device : devices)
        commands += product->writeDeviceCommands(device, true);
    return commands;
}

// Sends commands, reads the product back and checks the pages include selects.
int writeAndVerify(Session& session, const QList<DeviceCommand*>& commands, const QString& phase,
                   const PageFilter& include)
{
    if (!session.run(commands, phase))
        return session.finish(false);
    session.out() << phase << ": " << commands.size() << " commands sent" << Qt::endl;
    const bool ok = session.readBack() && session.verify(include);
    return session.finish(ok);
}

ByteRange wholePage(const Device* device, int page)
{
    return {device->writePageAddress(page), device->writePageSize(page)};
}

int headerSize(const Device* header)
{
    int size = 0;
    for (int page = 0; page < qMin(HeaderPages, header->writePages()); ++page)
        size += header->writePageSize(page);
    return size;
}

} // namespace

int runRead(const Invocation& invocation)
{
    Session session(invocation);
    if (!session.load() || !session.connect())
        return session.finish(false);
    LoadedProduct& product = session.product();
    if (!session.run(product.readCommands(), QStringLiteral("read")))
        return session.finish(false);
    product.bindSettings();
    product.mapFromDevices();
    writeSettingsTable(session.out(), product);
    return session.finish(true);
}

int runWrite(const Invocation& invocation)
{
    Session session(invocation);
    if (!session.load() || !session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    OwnedCommands commands{dirtyPageCommands(session.product())};
    return writeAndVerify(session, commands.list, QStringLiteral("write"), wholePage);
}

int runErase(const Invocation& invocation)
{
    Session session(invocation);
    if (!session.load() || !session.connect())
        return session.finish(false);
    OwnedCommands commands{session.product().product()->eraseCommands()};
    return writeAndVerify(session, commands.list, QStringLiteral("erase"), wholePage);
}

int runHeader(const Invocation& invocation)
{
    Session session(invocation);
    if (!session.load())
        return 1;
    const QList<Device*> devices = session.product().product()->devices();
    if (devices.isEmpty()) {
        session.err() << "quelmctl: header: the product has no devices" << Qt::endl;
        return 1;
    }
    const Device* header = devices.constFirst();
    const int offset = qMax(0, invocation.headerOffset);
    const int count = invocation.headerCount >= 0 ? invocation.headerCount : headerSize(header);
    if (count < 1 || offset + count > 256) {
        session.err() << "quelmctl: header: offset " << offset << " and count " << count
                      << " do not fit in 256 bytes" << Qt::endl;
        return 1;
    }
    if (!session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    ProductInterface* product = session.product().product();
    OwnedCommands commands{invocation.headerOffset < 0
                               ? product->writeHeaderCommands(quint8(count))
                               : product->updateHeaderCommands(quint8(offset), quint8(count))};
    const PageFilter inRange = [&](const Device* device, int page) {
        const int start = qMax(offset, device->writePageAddress(page));
        const int end = qMin(offset + count, device->writePageAddress(page) + device->writePageSize(page));
        return device == header && end > start ? ByteRange{start, end - start} : ByteRange{};
    };
    return writeAndVerify(session, commands.list, QStringLiteral("header"), inRange);
}

int runSet(const Invocation& invocation)
{
    QString error;
    if (invocation.arguments.isEmpty())
        error = QStringLiteral("quelmctl: set: give at least one NAME=VALUE");
    else if (assignSettings(invocation.descriptionFile, invocation.arguments, &error))
        return 0;
    *invocation.err << error << Qt::endl;
    return 1;
}

int runDump(const Invocation& invocation)
{
    const QString list = invocation.arguments.value(0);
    if (invocation.arguments.size() != 1
        || !QStringList({QStringLiteral("read"), QStringLiteral("write"), QStringLiteral("erase")})
                .contains(list)) {
        *invocation.err << "quelmctl: dump: name one list: read, write or erase" << Qt::endl;
        return 1;
    }
    Session session(invocation);
    if (!session.load())
        return 1;
    LoadedProduct& product = session.product();
    OwnedCommands generated;
    QList<DeviceCommand*> commands;
    if (list == QLatin1String("read")) {
        commands = product.readCommands();
    } else if (list == QLatin1String("erase")) {
        commands = generated.list = product.product()->eraseCommands();
    } else {
        product.bindSettings();
        product.mapToDevices();
        commands = generated.list = product.product()->writeCommands();
    }
    for (DeviceCommand* command : qAsConst(commands))
        session.out() << command;
    session.out() << Qt::dec << Qt::flush;
    return 0;
}

int runReport(const Invocation& invocation)
{
    Session session(invocation);
    if (!session.load() || !session.connect() || !readAndApplySettings(session))
        return session.finish(false);
    QFile file(invocation.outputFile);
    QTextStream toFile(&file);
    QTextStream& stream = invocation.outputFile.isEmpty() ? session.out() : toFile;
    if (!invocation.outputFile.isEmpty() && !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        session.err() << "quelmctl: cannot write " << invocation.outputFile << ": "
                      << file.errorString() << Qt::endl;
        return session.finish(false);
    }
    stream.setCodec("UTF-8");
    if (invocation.text)
        writeTextReport(stream, session.product());
    else
        writeHtmlReport(stream, session.product(),
                        QStringLiteral("Product report: %1").arg(QFileInfo(invocation.descriptionFile).fileName()));
    return session.finish(true);
}
