#ifndef QUELMHOST_PRODUCT_H
#define QUELMHOST_PRODUCT_H

#include "productdescription.h"

#include <productinterface.h>
#include <subassembly.h>

#include <QtCore/QList>
#include <QtCore/QStringList>

#include <functional>
#include <memory>

class Field;
class QThread;
class SC18IM700;

// A board as the description names it.
class Board : public Subassembly
{
public:
    Board(const QString& title, QObject* parent);
    QString title() const override { return m_title; }

private:
    QString m_title;
};

// A product whose bus segments may be selected through the bridge's GPIO
// port: the port value is the number of the active segment.
class DescribedProduct : public ProductInterface
{
    Q_OBJECT

public:
    DescribedProduct(bool gpioBusSelect, QObject* parent);
    DeviceCommand* selectBusCommand(const int& bus) override;
};

// "0102AB": bytes as the tools show them, in tables, messages and JSON.
QString hexBytes(const QByteArray& bytes);

// The bytes of a write page to check after a write: {start, count}; a count
// of 0 leaves the page out.
struct ByteRange
{
    int start = 0;
    int count = 0;
};
using PageFilter = std::function<ByteRange(const Device* device, int page)>;

// How count bytes from address of a device's memory stand: what was read
// there is what the settings want, or differs from it, or the part cannot
// be read back at all. The settings table's rows and the device's register
// table are marked by it alike.
enum class MemoryMark { Same, Differs, NotReadBack };
MemoryMark memoryMark(const Device* device, int address, int count);

// A checked page whose bytes read back other than written.
struct PageMismatch
{
    QString device;
    int page = 0;
    QByteArray wrote;
    QByteArray read;

    // "verify: device "io" page 2: wrote A5, read 00"
    QString text() const;
};

// How the pages a write touched read back.
struct VerifyResult
{
    int matching = 0;          // devices whose checked pages all match
    QStringList writeOnly;     // devices that cannot be read back
    QList<PageMismatch> mismatches;

    bool ok() const { return mismatches.isEmpty(); }
    // "verify: 6 devices match (write-only, not read back: offset)"
    QString summary() const;
};

// Everything one run of the tool works on: the product built from its
// description, the bridge, the model with one row per setting and one field
// per row. It owns the devices and the read list, which the library leaves
// to the host.
class LoadedProduct
{
public:
    // The product's header: the first HeaderPages write pages (0 to 6) of
    // headerDevice(). The library generates the header's lists from the
    // same pages and leaves them out of the ordinary write list.
    static constexpr int HeaderPages = 7;
    // Selects every byte of every page.
    static ByteRange wholePage(const Device* device, int page);

    explicit LoadedProduct(const ProductDescription& description);
    ~LoadedProduct();
    LoadedProduct(const LoadedProduct&) = delete;
    LoadedProduct& operator=(const LoadedProduct&) = delete;

    // The product's objects (the product, model and fields) belong to the
    // thread that works on it; fields made by bindSettings() join them
    // there. Called on the thread they belong to now.
    void moveToThread(QThread* thread);

    const ProductDescription& description() const { return m_description; }
    DescribedProduct* product() const { return m_product; }
    SC18IM700* bridge() const { return m_bridge; }
    QuelmModel* model() const { return m_model; }
    const QList<Field*>& fields() const { return m_fields; }
    Device* device(const QString& name) const;
    // The device at the 8-bit address on the bus segment, or null.
    Device* deviceAt(int bus, int address) const;
    // The device that holds the header: the first of the product's devices
    // in their order; null for a product without devices.
    Device* headerDevice() const;
    // The header's bytes: its pages' sizes added up; 0 without a header device.
    int headerSize() const;

    // The cached full read list; the product keeps handing out the same one.
    QList<DeviceCommand*> readCommands();
    // Makes every transmit buffer what was read, so that only settings make
    // a device dirty.
    void adoptReceivedData();
    // Creates one field per setting. Pin and port fields hand their pull-ups
    // to the device's transmit buffer here, so bind after adopting.
    void bindSettings();
    void mapToDevices();
    void mapFromDevices();
    // After a read: what was read stays where no setting says otherwise.
    void applySettings();
    // The dirty pages of every device, the header pages of the first
    // included; the caller owns the commands.
    QList<DeviceCommand*> dirtyPageCommands();
    // Compares every write page that include selects, on every device that
    // can be read back; a write-only device is listed as such. Counts only
    // the devices with a selected page.
    VerifyResult verify(const PageFilter& include) const;

private:
    void addBoards();
    void addModelRows();
    void addModelRow(int row, const SettingDescription& setting);
    Field* createField(int row, const SettingDescription& setting);

    ProductDescription m_description;
    std::unique_ptr<QObject> m_root; // parent of the product, model and fields
    DescribedProduct* m_product = nullptr;
    SC18IM700* m_bridge = nullptr;
    QuelmModel* m_model = nullptr;
    QList<Field*> m_fields;
    QList<DeviceCommand*> m_readCommands;
};

#endif // QUELMHOST_PRODUCT_H
