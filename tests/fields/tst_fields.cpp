// The five kinds of field (Field, IoPinField, IoPortField, NullField,
// IdentityProxyField): where a model row places them, their texts and report
// row (golden files under tests/data/fields), what they carry between the row
// and a device, and what they leave alone without a model, device or source.

#include <quelmdevices/quelmdevices.h>

#include <varncore/logger.h>

#include "golden.h"
#include "hex.h"

#include <QtCore/QTextStream>
#include <QtTest/QtTest>

#include <memory>
#include <utility>

namespace {
constexpr int pullUpOn = 0x01;
constexpr int activeHigh = 0x02;

// A 256-byte device that logs what the pin and port fields ask of it
// (" pull-up 3 on", " pin 6 off", " port 1 C3") and answers their reads from
// values the test sets.
struct RecordingDevice : CAT24AA02Device {
    RecordingDevice(const int& bus = 1, const int& address = 0x50) : CAT24AA02Device(bus, address, "recorder") {}

    bool ioPinState(const int& pin, const int& source) const override { return (source ? transmitPins : receivedPins).value(pin); }
    unsigned char ioPortValue(const int& port, const int& source) const override { return source ? 0 : receivedPorts.value(port); }
    void setIoPinState(const int& pin, const bool& state) override { transmitPins[pin] = state, record("pin", pin, state ? "on" : "off"); }
    void setIoPinPullUpEnable(const int& pin, const bool& on) override { record("pull-up", pin, on ? "on" : "off"); }
    void setIoPortValue(const int& port, const unsigned char& value) override
    {
        record("port", port, QByteArray(1, char(value)).toHex().toUpper());
    }
    void setPullUpEnables(const QByteArray& enables) override { m_pullUpEnables = enables; }

    QMap<int, bool> receivedPins, transmitPins;
    QMap<int, unsigned char> receivedPorts;
    QString log;
    void record(const char* what, int number, const QByteArray& value)
    {
        log += QStringLiteral(" %1 %2 ").arg(QLatin1String(what)).arg(number) + value;
    }
};

// A model row as the host fills it for a field: value, type, address, size, configuration.
void fillRow(QuelmModel& model, const int& row, const QVariantList& cells)
{
    const int columns[] = {Field::ValueColumn, Field::TypeColumn, Field::AddressColumn, Field::SizeColumn, Field::ConfigurationColumn};
    for (int i = 0; i < cells.size(); ++i)
        model.setData(model.index(row, columns[i]), cells.at(i), Qt::EditRole);
}

QByteArray modelValue(const QuelmModel& model, const int& row)
{
    return model.data(model.index(row, Field::ValueColumn), Qt::EditRole).toByteArray();
}

QByteArray counting(const int& first, const int& step)
{
    QByteArray bytes(256, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(first + step * i);
    return bytes;
}

// Bytes in hexadecimal, a run of 8 or more zeros at the end as 00*count.
QString hexText(const QByteArray& bytes)
{
    int end = int(bytes.size());
    while (end > 0 && bytes.at(end - 1) == '\0')
        --end;
    const int zeros = int(bytes.size()) - end;
    const QByteArray text = zeros < 8 ? bytes.toHex() : bytes.left(end).toHex() + " 00*" + QByteArray::number(zeros);
    return QString::fromLatin1(text.toUpper()).trimmed();
}

// A host model with texts of its own for its rows.
struct TextModel : QuelmModel {
    using QuelmModel::QuelmModel;
    QString rowText(const int& row) const override { return QStringLiteral("text of %1").arg(row); }
};

// Rows 3 (a bit with display texts), 4 (pin 300) and 5 (a port), none with a
// header; 7 ("Gain", the proxies' source on a device of its own), 12 ("Spare",
// a value alone) and 17 ("Level"); a device on bus 1 at 0x50 whose receive
// buffer, pins and port read non-zero, and one on bus 17.
struct Bench
{
    Bench()
    {
        fillRow(model, 3, {hex("0aff"), 3, 0x1A, 1});
        model.setData(model.index(3, Field::AddressColumn), QStringLiteral("0x1A.3"), Qt::DisplayRole);
        fillRow(model, 4, {QVariant(), 3, 300, 1, activeHigh | pullUpOn});
        fillRow(model, 5, {QVariant(), 2, 0, 3, 0x5A});
        fillRow(model, 7, {hex("1234"), 5, 0x40, 2});
        model.setData(model.index(7, Field::AddressColumn), QStringLiteral("0x40:2"), Qt::DisplayRole);
        model.setData(model.index(7, Field::SizeColumn), QStringLiteral("2 Bytes"), Qt::DisplayRole);
        fillRow(model, 12, {hex("AA")});
        fillRow(model, 17, {hex("AB01"), 2, 0x1A, 2});
        for (const auto& header : {std::make_pair(7, "Gain"), std::make_pair(12, "Spare"), std::make_pair(17, "Level")})
            model.setHeaderData(header.first, Qt::Vertical, QString::fromLatin1(header.second));
        device.setRxData(QByteArray(256, '\x55'));
        device.setPullUpEnables(hex("FF01"));
        device.receivedPins[0] = true;
        device.receivedPorts[0] = 0x77;
        source = std::make_unique<Field>(&model, 7, &sourceDevice); // once its row is filled
    }
    Field* proxy(const int& address, const int& size, Device* on)
    {
        return new IdentityProxyField(source.get(), address, size, on, &fields);
    }

    TextModel model{20, 15};
    RecordingDevice device{1, 0x50};
    RecordingDevice sourceDevice{0, 0xA0};
    RecordingDevice bus17{17, 0x50};
    std::unique_ptr<Field> source;
    QObject fields; // the fields a test makes, deleted first
};

// What a field can change: the devices' buffers, pins, ports and pull-ups, the model's values.
QByteArrayList state(const Bench& b)
{
    QByteArrayList state{b.device.txBuffer(), b.sourceDevice.rxBuffer(), b.sourceDevice.txBuffer(),
                         b.device.pullUpEnables(), b.device.log.toLatin1()};
    for (int row = 0; row < b.model.rowCount(); ++row)
        state << modelValue(b.model, row);
    return state;
}

// Everything a field says about itself in one line, then its report row and
// 31 in the number base the row leaves behind.
QByteArray describe(const Field& field, const int& base)
{
    QString text = QStringLiteral("%1+%2 [%3] [%4] [%5] [%6] [%7] %8\n").arg(field.address()).arg(field.size())
                       .arg(field.memoryAddressToString(), field.fieldSizeToString(), field.memoryConfigToString(), field.embeddedValueToString(),
                            QString::fromLatin1(field.modelEmbeddedValue().toHex()), Quelm::fieldTypeToString(field.memoryType()));
    QTextStream stream(&text);
    stream.setIntegerBase(base);
    field.output(stream) << 31;
    return text.toUtf8();
}
} // namespace

class TestFields : public QObject
{
    Q_OBJECT

private slots:
    void mapping_data()
    {
        // The row's value, type (3 makes a pin, 2 a port, any other a plain field), address, size, configuration.
        QTest::addColumn<QVariantList>("cells");
        QTest::addColumn<bool>("received"); // the pin's state as the device reads it
        // address+size, for pins the polarity and the pull-ups set, for ports the pull-up enables (0001 before, and
        // alone those a device without enables gets); after ">" the transmit buffer, pins and ports; after "<" the
        // value mapped back from a receive buffer of 00 01 .. FF or a port reading A5, for pins the state to transmit.
        QTest::addColumn<QString>("trace");

        const auto row = [](const char* name, const QVariantList& cells, bool received, const char* trace) {
            QTest::newRow(name) << cells << received << QString::fromLatin1(trace);
        };
        row("numbers", {QByteArray(), 5, 0x1A, 3, 0}, false, "26+3 > 00*256 < 1A1B1C");
        row("low 8 bits kept", {QByteArray(), 5, 0x1A5, 258, 0}, false, "165+2 > 00*256 < A5A6");
        row("doubles round half up", {QByteArray(), 5, 2.5, -0.5, 0}, false, "3+0 > 00*256 < ");
        row("negative half rounds up", {QByteArray(), 5, -1.5, -2.5, 0}, false, "255+254 > 00*256 < FF 00*253");
        row("numeric text", {QByteArray(), 5, QStringLiteral("17"), QStringLiteral("4"), 0}, false, "17+4 > 00*256 < 11121314");
        row("text that is no number", {QByteArray(), 5, QStringLiteral("0x1A"), QStringLiteral("one"), 0}, false, "0+0 > 00*256 < ");
        row("empty cells", {QByteArray(), 5, QVariant(), QVariant(), 0}, false, "0+0 > 00*256 < ");
        row("every byte of the value is written; size 1 reads one", {hex("A1B2C3"), 5, 5, 1, 0}, false, "5+1 > 0000000000A1B2C3 00*248 < 05");
        row("one byte at 0", {hex("7F"), 5, 0, 1, 0}, false, "0+1 > 7F 00*255 < 00");
        row("past the end reads zeros", {QByteArray(), 5, 250, 10, 0}, false, "250+10 > 00*256 < FAFBFCFDFEFF00000000");
        row("size 0 writes the value, reads nothing", {hex("EE"), 5, 5, 0, 0}, false, "5+0 > 0000000000EE 00*250 < ");
        // Only bit 0 of the value's first byte counts, an empty value is 0; active low inverts both ways.
        row("pin, higher bits ignored", {QByteArray(), 3, 0, 4, 0xFC}, false, "0+1 high 0 pull-up 0 off > 00*256 pin 0 on < 01 0");
        row("pin above 8 bits", {QByteArray(), 3, 0x105, 4, pullUpOn}, false, "5+1 high 0 pull-up 5 on > 00*256 pin 5 on < 01 0");
        row("active high, 0x03 sets; pin 1 reads 01", {hex("03"), 3, 6, 1, activeHigh}, true, "6+1 high 1 pull-up 6 off > 00*256 pin 6 on < 01 1");
        row("active high, 0x02 clears; pin 0 reads 00", {hex("02"), 3, 6, 1, activeHigh}, false, "6+1 high 1 pull-up 6 off > 00*256 pin 6 off < 00 0");
        row("active high, later bytes ignored", {hex("00FF"), 3, 6, 1, activeHigh}, true, "6+1 high 1 pull-up 6 off > 00*256 pin 6 off < 01 0");
        row("active low, 0x01 clears; pin 0 reads 01", {hex("01"), 3, 6, 1, pullUpOn}, false, "6+1 high 0 pull-up 6 on > 00*256 pin 6 off < 01 1");
        row("active low, 0x00 sets; pin 1 reads 00", {hex("00"), 3, 6, 1, pullUpOn}, true, "6+1 high 0 pull-up 6 on > 00*256 pin 6 on < 00 0");
        // The configuration replaces the low pull-up byte; the value's first byte is the port, an empty value 0.
        row("port", {hex("C3FF"), 2, 1, 3, 0x1A5}, false, "1+1 enables A501 alone A5 > 00*256 port 1 C3 < A5");
        row("port, empty value", {QByteArray(), 2, 1, 3, 0x1A5}, false, "1+1 enables A501 alone A5 > 00*256 port 1 00 < A5");
    }

    // The state source goes to the device unchanged: 1 asks for the state to transmit.
    void mapping()
    {
        QFETCH(QVariantList, cells);
        QFETCH(bool, received);
        QuelmModel model(4, 15);
        fillRow(model, 2, cells);
        const int type = cells.at(1).toInt();
        RecordingDevice device;
        device.setPullUpEnables(hex("0001"));
        const std::unique_ptr<Field> field(type == 3 ? new IoPinField(&model, 2, &device)
                                                     : type == 2 ? new IoPortField(&model, 2, &device) : new Field(&model, 2, &device));
        QVERIFY(field->model() == &model && field->row() == 2 && field->device() == &device);
        const auto* pin = qobject_cast<const IoPinField*>(field.get());
        QString trace = QStringLiteral("%1+%2").arg(field->address()).arg(field->size())
                        + (pin ? QStringLiteral(" high %1").arg(pin->activeHigh()) : QString()) + std::exchange(device.log, QString());
        if (device.pullUpEnables() != hex("0001"))
            trace += " enables " + hexText(device.pullUpEnables());
        if (type == 2) {
            RecordingDevice withoutEnables;
            const IoPortField alone(&model, 2, &withoutEnables);
            trace += " alone " + hexText(withoutEnables.pullUpEnables());
        }
        field->mapToEmbeddedData();
        trace += " > " + hexText(device.txBuffer()) + device.log;
        QCOMPARE(device.rxBuffer(), QByteArray(256, '\0'));
        device.setRxData(counting(0, 1));
        device.receivedPins[field->address()] = received;
        device.receivedPorts[field->address()] = 0xA5;
        field->mapFromEmbeddedData();
        trace += " < " + hexText(modelValue(model, 2));
        trace += pin ? QStringLiteral(" %1").arg(pin->ioPinState(1)) : QString();
        QCOMPARE(model.data(model.index(2, Field::ValueColumn), Qt::EditRole).userType(), int(QMetaType::QByteArray));
        QTEST(trace, "trace");
    }

    // Each kind of field's texts and report row, compared whole. Those without
    // a model, device or source then map nothing: the bench keeps what it had.
    // A proxy without its source logs the fault once.
    void reportRows()
    {
        struct RecordingAppender : AbstractAppender {
            void append(const LogRecord& r) override
            {
                records << QStringLiteral("%1 %2:%3 %4: %5").arg(r.level).arg(r.file).arg(r.line).arg(r.function, r.message);
            }
            QStringList records;
        } appender;
        cuteLoggerInstance()->registerAppender(&appender);
        Bench b;
        QObject* const owner = &b.fields;
        auto* nullBit = new NullField(&b.model, 12, "0x1A.3", &b.device, "first", owner);
        nullBit->setText("not fitted");
        const struct { const char* name; int base; bool maps; Field* field; } rows[] = {
            // The row number stays decimal; the device link and a proxy's location follow the stream.
            {"field, decimal stream", 10, true, new Field(&b.model, 17, &b.device, owner)},
            {"field, hexadecimal stream", 16, true, new Field(&b.model, 17, &b.device, owner)},
            {"bit field without a device: the display texts", 10, false, new Field(&b.model, 3, nullptr, owner)},
            {"field without a model", 10, false, new Field(nullptr, 3, &b.device, owner)},
            {"pin: the whole number in the text, 8 bits in the address", 10, false, new IoPinField(&b.model, 4, nullptr, owner)},
            {"pin without a model", 10, false, new IoPinField(nullptr, 0, &b.device, owner)},
            {"port", 10, false, new IoPortField(&b.model, 5, nullptr, owner)},
            {"port without a model", 10, false, new IoPortField(nullptr, 0, &b.device, owner)},
            // The address text places a null field, whatever the model says.
            {"null bit with its text", 16, false, nullBit},
            {"null byte without a device", 10, false, new NullField(&b.model, 12, "0x1A", nullptr, "n", owner)},
            {"null byte array", 10, false, new NullField(&b.model, 17, "0x10:4", nullptr, "a", owner)},
            {"null without address", 10, false, new NullField(&b.model, 17, "none", nullptr, "b", owner)},
            {"proxy of size 0", 10, true, b.proxy(0x1A, 0, &b.device)},
            {"proxy of size 1", 10, true, b.proxy(0x1A, 1, &b.device)},
            {"proxy of size 2", 10, true, b.proxy(0x1A, 2, &b.device)},
            {"proxy: bus and size in the caller's base", 16, true, b.proxy(0x1A, 300, &b.bus17)},
            {"proxy without a device", 10, false, b.proxy(0x10, 2, nullptr)},
            {"proxy without a source: its own location", 10, false, new IdentityProxyField(nullptr, 7, 2, &b.device, owner)},
        };
        cuteLoggerInstance()->removeAppender(&appender);
        QCOMPARE(appender.records, QStringList(QStringLiteral("%1 src/quelmdevices/fields/proxyfield.cpp:24 IdentityProxyField::"
                                                              "IdentityProxyField(Field*, const int&, const int&, Device*, QObject*): "
                                                              "IdentityProxyField::IdentityProxyField() NULL Source Field addr= 7")
                                                  .arg(Logger::Error)));

        QByteArray text;
        const Bench fresh;
        for (const auto& row : rows) {
            text += "== " + QByteArray(row.name) + '\n' + describe(*row.field, row.base) + '\n';
            if (row.maps)
                continue;
            row.field->mapToEmbeddedData();
            row.field->mapFromEmbeddedData();
            const auto* pin = qobject_cast<const IoPinField*>(row.field);
            QVERIFY2(state(b) == state(fresh) && (!pin || pin->ioPinState(0) == 0)
                         && (row.field->device() || (row.field->rxEmbeddedValue(0) + row.field->txEmbeddedValue(0)).isEmpty()), row.name);
        }
        QUELM_COMPARE_GOLDEN(text, "fields/describe.txt");
    }

    // An offset moves the start of the three bytes within the 8-bit memory
    // space, up and down; the run after it reads zeros past the end.
    void embeddedValueStartWraps()
    {
        QuelmModel model(1, 15);
        fillRow(model, 0, {QVariant(), 5, 200, 3});
        RecordingDevice device;
        device.setRxData(counting(0, 1));
        device.setTxData(counting(255, -1));
        const Field field(&model, 0, &device);
        QCOMPARE(field.rxEmbeddedValue(100) + field.rxEmbeddedValue(-210) + field.rxEmbeddedValue(55), hex("2C2D2E F6F7F8 FF0000"));
        QCOMPARE(field.txEmbeddedValue(100) + field.txEmbeddedValue(-210) + field.txEmbeddedValue(55), hex("D3D2D1 090807 000000"));
    }

    // The real expander keeps pins, port and pull-ups in its registers at 0xF0.
    void ds4520PinsAndPort()
    {
        QuelmModel model(3, 15);
        fillRow(model, 0, {hex("00"), 3, 3, 1, pullUpOn});
        fillRow(model, 1, {hex("01"), 3, 8, 1, activeHigh});
        fillRow(model, 2, {hex("3C"), 2, 0, 1, 0x5A});
        DS4520Device device(0, 0x50, QStringLiteral("expander"));
        IoPinField activeLowPin(&model, 0, &device);
        IoPinField pinEight(&model, 1, &device);
        const QByteArray pinPullUps = device.txData(0xF0, 2);
        IoPortField port(&model, 2, &device);
        activeLowPin.mapToEmbeddedData();
        pinEight.mapToEmbeddedData();
        const QByteArray pins = device.txData(0xF2, 2);
        port.mapToEmbeddedData();
        QCOMPARE(pinPullUps + device.txData(0xF0, 2) + pins + device.txData(0xF2, 2), hex("FF00 5A00 0801 3C01"));
        device.setRxData(0xF2, hex("AD01"));
        for (Field* field : std::initializer_list<Field*>{&activeLowPin, &pinEight, &port})
            field->mapFromEmbeddedData();
        QCOMPARE(modelValue(model, 0) + modelValue(model, 1) + modelValue(model, 2), hex("0001AD"));
    }

    // A proxy writes the whole source value at its own address and reads its
    // bytes into the source's device and model; the source's location is the source's.
    void proxyMapping()
    {
        Bench bench;
        IdentityProxyField proxy(bench.source.get(), 0x10, 2, &bench.device);
        QVERIFY(!proxy.model() && proxy.row() == -1 && proxy.source() == bench.source.get());
        proxy.mapToEmbeddedData();
        bench.device.setRxData(0x10, hex("ABCD"));
        proxy.mapFromEmbeddedData();
        QCOMPARE(bench.device.txData(0x0F, 4) + bench.sourceDevice.rxData(0x3F, 4) + modelValue(bench.model, 7) + bench.sourceDevice.txBuffer(),
                 hex("00123400 00ABCD00 ABCD") + QByteArray(256, '\0'));

        // Read for a source without a device, the bytes go nowhere.
        Field sourceWithoutDevice(&bench.model, 7, nullptr);
        IdentityProxyField toSourceWithoutDevice(&sourceWithoutDevice, 0, 2, &bench.device);
        toSourceWithoutDevice.mapFromEmbeddedData();
        QCOMPARE(modelValue(bench.model, 7), hex("ABCD"));
    }
};

QTEST_GUILESS_MAIN(TestFields)
#include "tst_fields.moc"
