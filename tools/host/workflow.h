#ifndef QUELMHOST_WORKFLOW_H
#define QUELMHOST_WORKFLOW_H

#include "product.h"
#include "productimage.h"
#include "scanmodel.h"
#include "transport.h"

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <optional>

// One command of a list in words: the part it addresses, where there is
// one, and what it does there, "reading header (CAT24AA02, bus 0, 0xA0)
// page 0x08", "selecting bus 1".
struct CommandStep
{
    QString device;               // the part's name; empty for a command to the bridge
    QString words;
    QString page;                 // "page 0x08", "register 0x02"; empty for a part of one page
};

// The steps of a list on the product, a step for each command: the bus a
// part sits on is the one the list's last GPIO port write selected.
QList<CommandStep> commandSteps(const QList<DeviceCommand*>& commands, const LoadedProduct& product);

// One command list run on the link: how far it got, and, since the list
// goes with the step that made it, the commands that explain a stop.
struct PhaseRun
{
    // What the list does in its action.
    enum class Purpose { Read, Write, Verify, Select };

    QString phase;                // "read", "write", "erase", "header", "verify", "scan"
    Purpose purpose = Purpose::Read;
    int commands = 0;             // in the list
    RunResult result;
    qint32 baudRate = 0;          // the link's, once the run ended
    BridgeSetup::ClockRegisters i2cClock{0, 0};
    QString failedCommand;        // the command the run stopped at, described
    QByteArray failedBytes;       // and its bytes
    QString lastApplied;          // the last command applied, described
    QList<CommandStep> steps;     // each command's words
    QString readBackOf;           // Verify: the phase whose writes it reads back
    QString gone;                 // after a stop: the line that says the port went away

    bool ok() const { return result.ok(); }
    // A phase of its own, with progress; the scan's bus selects are not.
    bool shown() const { return purpose != Purpose::Select; }
    // "read: 88 commands, 1.43 s at 9600 baud"
    QString doneText() const;
    // "write: 20 commands sent"
    QString sentText() const;
    // After a stop: what was applied, a device at a time: "erase: io, gain
    // and offset erased; trim erased up to page 0x08; calibration and header not".
    QString appliedText() const;
    // After a stop: the command it stopped at, as the library describes it:
    // "read: stopped at command 52 of 88, Read Device: 1.58.0 (1 Bytes)".
    QString commandText() const;
};

// Something an action could not do, and the part to blame where there is one.
struct Failure
{
    enum class Kind {
        Stopped,     // a run stopped early
        Differs,     // a page read back other than written
        Silent,      // a described part does not answer the scan
        ScanStopped, // the probe of a segment stopped early
        NotSaved,    // a file could not be written
        NoBridge,    // there is no bridge to talk to
        Refused,     // a file given to the action does not fit the product
    };

    Kind kind = Kind::Stopped;
    PhaseRun run;                 // Stopped; ScanStopped: only its gone line
    PageMismatch mismatch;        // Differs
    int bus = -1;                 // Silent, ScanStopped: the segment, -1 for the only one
    ExpectedPart part{0, {}, {}}; // Silent
    QString reason;               // ScanStopped; NotSaved, NoBridge and Refused: the whole line
    QString device;               // the part to blame, by name; empty for none

    // What it says, a line each, without any program's name: "read
    // stopped at reading gain (AD5144A, bus 1, 0x58): why" (the port's
    // line first when it went away; for a read-back, that its writes went
    // through) and what was applied (one line after a restart, whose words
    // say which command it broke); "verify: device "io" page 2: wrote A5,
    // read 00"; "scan: bus 1: gain (AD5144A) at 0x58 does not answer";
    // "scan: bus 1: why" (after the port's line when it went away); the reason.
    QStringList lines() const;
    // The port went away under the run or the probe.
    bool portGone() const { return !run.gone.isEmpty(); }
};

// How an image's device compares with the product: where they differ.
// A device that cannot be read back is not compared.
struct DeviceComparison
{
    DeviceImage image;
    QList<DifferingRange> ranges;

    bool equal() const { return ranges.isEmpty(); }
};

// What a restore changed on one device: the bytes that differed from what
// was read (for a part that cannot be read back, from what the mirror takes
// it to hold).
struct RestoredDevice
{
    DeviceImage image;
    int changedBytes = 0;
};

// What an action did: every list it ran, what failed, and what it found.
struct ActionResult
{
    QList<PhaseRun> phases;       // in the order they ran, the scan's selects included
    QList<Failure> failures;      // in the order they happened
    int sent = -1;                // the commands of the action's writes, once they went through
    std::optional<VerifyResult> verify;
    QList<SegmentScan> segments;  // the scan's, every described segment
    ProductImage image;           // readImage()'s
    QList<DeviceComparison> compared; // compare()'s, in the image's order
    QList<RestoredDevice> restored;   // restore()'s, in the image's order

    bool ok() const { return failures.isEmpty(); }
};

// The bus work of both hosts on one product and one transport: each step
// runs its command lists, keeps what happened in result() and returns
// whether all of it went well. A step that fails leaves the action there.
// The callbacks run on the caller's thread as things happen.
class Workflow
{
public:
    struct Callbacks
    {
        // A shown phase starts (done 0) or applied another command.
        std::function<void(const QString& phase, int done, int count)> progress;
        // The next command of a shown phase goes out, in words.
        std::function<void(const QString& words)> step;
        // A shown phase ended, well or not.
        std::function<void(const PhaseRun& run)> phaseEnded;
        // Each failure, as it is found.
        std::function<void(const Failure& failure)> failed;
    };

    // Both must outlive the workflow. The transport learns the product's devices.
    Workflow(LoadedProduct& product, Transport& transport, const Callbacks& callbacks = {});

    const ActionResult& result() const { return m_result; }

    // Reads the product, then makes the settings its wanted state.
    bool readAndApply();
    // After readAndApply(): the dirty pages written, read back and verified.
    bool writeSettings();
    // Clears every device's memory, reads back and verifies.
    bool erase();
    // After readAndApply(): count header bytes from offset written, read back
    // and the range verified. A negative offset configures the bridge's GPIO
    // port first and writes from 0.
    bool writeHeader(int offset, int count);
    // Probes every described segment, selecting each where the product
    // selects segments; a segment that fails says nothing about the next.
    bool scan();
    // After readAndApply(): the report saved whole in fileName.
    bool saveReport(const QString& fileName, const QByteArray& report);
    // Reads the product and keeps its memories in result().image: every
    // device, or those named; a part that cannot be read back with what the
    // mirror holds for it once the settings are applied.
    bool readImage(const QStringList& names = {});
    // Any file the action makes, saved whole.
    bool save(const QString& fileName, const QByteArray& contents);
    // Reads the product, makes the devices' memories the images' (the bytes
    // each covers), writes the pages that changed, reads back and verifies.
    // The header's pages keep what was read unless withHeader. Check the
    // images first (ProductImage::mismatch()): one that names no device of
    // the product is passed over.
    bool restore(const QList<DeviceImage>& images, bool withHeader);
    // Reads the product and compares it with the images in result().compared.
    bool compare(const QList<DeviceImage>& images);

private:
    bool run(const QList<DeviceCommand*>& commands, const QString& phase, PhaseRun::Purpose purpose,
             const QString& readBackOf = {});
    bool writeAndVerify(const QList<DeviceCommand*>& commands, const QString& phase, const PageFilter& include);
    bool scanSegment(int index);
    void fail(const Failure& failure);

    LoadedProduct& m_product;
    Transport& m_transport;
    Callbacks m_callbacks;
    ActionResult m_result;
};

#endif // QUELMHOST_WORKFLOW_H
