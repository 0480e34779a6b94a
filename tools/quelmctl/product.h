#ifndef QUELMCTL_PRODUCT_H
#define QUELMCTL_PRODUCT_H

#include "productdescription.h"

#include <productinterface.h>
#include <subassembly.h>

#include <QtCore/QList>

#include <memory>

class Field;
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

// Everything one run of the tool works on: the product built from its
// description, the bridge, the model with one row per setting and one field
// per row. It owns the devices and the read list, which the library leaves
// to the host.
class LoadedProduct
{
public:
    explicit LoadedProduct(const ProductDescription& description);
    ~LoadedProduct();
    LoadedProduct(const LoadedProduct&) = delete;
    LoadedProduct& operator=(const LoadedProduct&) = delete;

    const ProductDescription& description() const { return m_description; }
    DescribedProduct* product() const { return m_product; }
    SC18IM700* bridge() const { return m_bridge; }
    QuelmModel* model() const { return m_model; }
    const QList<Field*>& fields() const { return m_fields; }
    Device* device(const QString& name) const;

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

#endif // QUELMCTL_PRODUCT_H
