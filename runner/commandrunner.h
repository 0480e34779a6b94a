#ifndef QUELMRUNNER_COMMANDRUNNER_H
#define QUELMRUNNER_COMMANDRUNNER_H

#include "bridgestatus.h"
#include "link.h"
#include "quelmrunner_global.h"
#include "writecycles.h"

#include <QtCore/QHash>
#include <QtCore/QList>
#include <QtCore/QSet>
#include <QtCore/QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class Device;
class DeviceCommand;

// How far a run got. Commands 0 to applied - 1 were sent, the bridge proved
// them done and their answers were stored; when the run stopped early,
// failedIndex is the command it stopped at (applied == failedIndex) and
// nothing of that command's answer, nor of any later one, is stored. When the
// bridge's I2C status explains the stop, status holds it with the bus and
// 8-bit address of the part (-1 where unknown). restarted: the bridge
// restarted during the failed command (it said "OK", or it answers at its
// power-on rate with its reset registers); the link is back at 9600 baud.
struct QUELMRUNNER_EXPORT RunResult
{
    int applied = 0;
    int failedIndex = -1;
    QString errorString;
    int status = -1;
    int bus = -1;
    int address = -1;
    bool restarted = false;
    // How long the run took on the link, waits for the parts included.
    Link::Duration elapsed{0};

    bool ok() const { return failedIndex < 0; }
};

// Executes command lists on a link, front to back: sends each command's
// bytes, reads its responseBytes() and hands them to setRxData.
//
// Commands are kept queued in the bridge while answers are still coming
// back, but never more bytes than its 16-byte receive FIFO is sure to hold:
// the bytes sent since the last command whose answer has come in full (the
// answer proves that command and every one before it taken out of the FIFO),
// whatever the timing. A command without an answer never proves itself done:
// it goes out together with a read of the bridge's GPIO port (2 bytes, 1
// answered), the cheapest string the bridge answers, which also makes sure
// that a write that lost a byte on the line is dropped whole by the bridge
// rather than completed with the bytes of the next transaction. Behind a read
// of a part that has not answered yet in this run the runner queues only
// reads of the same part, or less answer than that read's own, so that a part
// that stays silent shows as a missing answer at its own command rather than
// as the next command's answer in its place.
//
// With acknowledge checks on, every command holding an "S" transaction goes
// out with a read of the bridge's I2C status, and the run stops unless the
// status says the transaction went through. Without them the status is read
// only to explain a read whose answer never came. The runner's own reads
// never reach a command list or a device's buffers.
//
// The bridge's "OK" (its power-on announcement at 9600 baud) in the answers
// is taken for a restart only when the answers are out of step with the
// commands: the runner then reads what is still coming and a few of the
// bridge's registers, whose values it knows. At another rate a restarted
// bridge falls silent: before blaming a part the runner asks whether it
// answers at 9600 baud with its reset registers. A restart stops the run at
// the first command the bridge has not proved done; the link is moved back to
// 9600 baud and what the runner believed about the bridge and the parts'
// write cycles is forgotten.
//
// A write into a part's non-volatile memory starts its write cycle, during
// which the part does not acknowledge its address. Before the runner
// addresses such a part again, it makes sure the cycle is over: when the
// bytes on the wire since the write, or the time since the write surely
// ended (an answer sent after it came in, or the bytes before it had left the
// host), already cover the data sheet's maximum cycle, it sends at once.
// Otherwise a write goes once the typical cycle is over (a busy part takes
// nothing of it); a read waits on the link's clock for the maximum, or polls
// the part (an empty write to its address, then the I2C status) from its
// typical cycle on, whichever costs less at the link's rate. A command sent
// after such a wait has its status read, and nothing is sent after it until
// that status is in; a part still busy is polled until the maximum plus a
// margin has passed, the deadline checked after each poll, and then stops the
// run. What is in its cycle is kept from one run to the next.
class QUELMRUNNER_EXPORT CommandRunner
{
public:
    using Duration = Link::Duration;

    // Called after each applied command with its list index and the list size.
    using Progress = std::function<void(int index, int count, const DeviceCommand* command)>;

    // How long the host waits for one answer unless told otherwise, in
    // milliseconds: the runner's, the bridge setup's and the bus scanner's
    // default and the tools'. The bridge answers within a few byte times;
    // the rest is room for a slow adapter or a busy host. The host's choice,
    // not the bridge's, so it lives here and not in SC18IM700Protocol.
    static constexpr int DefaultTimeoutMs = 1000;
    // How long past the data sheet's maximum a part may stay busy.
    static constexpr std::chrono::milliseconds BusyMargin{10};

    // The link is not owned and must outlive the runner.
    explicit CommandRunner(Link* link);
    ~CommandRunner();

    int timeout() const { return m_timeoutMs; }
    // How long one command's answer may take once the command has left the
    // host, in milliseconds.
    void setTimeout(int timeoutMs) { m_timeoutMs = timeoutMs; }
    void setProgress(const Progress& progress) { m_progress = progress; }
    bool acknowledgeChecks() const { return m_acknowledgeChecks; }
    void setAcknowledgeChecks(bool on) { m_acknowledgeChecks = on; }
    // The devices that name a failing part and whose types tell which writes
    // start a write cycle the runner waits for, and whether the GPIO port
    // value selects the bus segment (the runner follows the port writes it
    // sends). Without them it knows no part and never waits. Not owned.
    void setProduct(const QList<Device*>& devices, bool gpioSelectsBus);
    // The bridge's I2C clock divider (I2CClkL + I2CClkH) the transactions run
    // at; the power-on one, the slowest a host sets, unless told otherwise.
    void setI2CClockDivider(int divider);
    // Parts whose write cycle may still be running.
    int partsInWriteCycle() const { return m_writing.size(); }

    RunResult run(const QList<DeviceCommand*>& commands);

private:
    // Why a command failed.
    struct Failure
    {
        QString text;
        int status = -1;
        int bus = -1;
        int address = -1;
    };
    // One string on its way to the bridge whose completion the runner has
    // not seen yet: a list command or one of the runner's own reads.
    struct Sent
    {
        enum Role {
            Command, // the list command `index`
            Confirm, // the port read that proves the command before it done
            Status,  // the I2C status after the command before it
            Poll,    // an empty write to a part in its write cycle, then the I2C status
            Dropped  // the end of a read that went ahead of a command not sent
        };

        Sent(Role role, int index, int size, int answerSize, int bus = -1, int address = -1,
             Duration busTime = Duration(0))
            : role(role), index(index), size(size), answerSize(answerSize), bus(bus), address(address)
            , busTime(busTime)
        {
        }

        Role role;
        int index;               // the list command it is or goes with
        int size;                // bytes on the wire; 0 once the bridge surely took them
        int answerSize;
        int bus;                 // the segment selected when it was sent
        int address;             // of its first transaction; -1 for none
        Duration busTime;        // its transactions' time on the bus: none without one
        qint64 sequence = 0;
        bool statusFollows = false; // applied only once the status after it is in
        QByteArray answer;

        bool transaction() const { return busTime > Duration(0); }

        qint64 place() const;
        // A read that answers only when its part acknowledges.
        bool readsPart() const { return role == Command && transaction() && answerSize > 0; }
    };
    using Cycle = WriteCycles::Cycle;
    using Wait = WriteCycles::Wait;
    // The last command sent to a part that may have been in its write
    // cycle: refused, it is sent again after polling.
    struct Refusable
    {
        int index;
        int bus;
        int address;
        Cycle cycle;
    };

    void runAll(const QList<DeviceCommand*>& commands);
    bool runCommand(int index, bool retry = true);
    bool sendAgain();
    bool sendCommand(int index, const QByteArray& bytes, int bus, bool readsStatus, Cycle* waited);
    int unconfirmedBytes() const;
    bool foreignAnswerFits(int answer, qint64 place) const;
    bool makeRoom(int bytes, int answer, qint64 place, const QByteArray& command = QByteArray(),
                  int commandAnswer = 0);
    void sendAhead(const QByteArray& command, int answer);
    QByteArray takeAhead(int* answer);
    bool writeOwn(const QByteArray& bytes);
    Duration busBacklog() const;
    bool send(const QByteArray& bytes, std::vector<Sent> strings);

    bool receiveAll();
    bool receiveNext();
    int answerTimeoutMs(std::size_t upTo) const;
    QByteArray readBytes(int count, int timeoutMs);
    void complete(std::size_t upTo, const QByteArray& answer);
    void apply(const Sent& sent);
    bool checkStatus(const Sent& sent, int status);
    void settle();
    bool fail(int index, const Failure& failure);

    bool announcementIn(const QByteArray& bytes) const;
    bool mayHoldAnnouncement(std::size_t at, const QByteArray& answer);
    bool inStep(std::size_t at, const QByteArray& answer);
    QByteArray sentinelCommand(QByteArray* expected) const;
    bool restarted(const QString& how);
    void forgetBridge();
    bool answersAtPowerOnRate();
    bool missingAnswer(std::size_t at, const QByteArray& partial);
    int explainingStatus(std::size_t at);
    int readStatus(const QByteArray& before = QByteArray());

    int currentBus() const { return m_gpioSelectsBus ? m_gpio : 0; }
    void recordCycles(const DeviceCommand* command, const BridgeStatus::CommandShape& shape, int bus,
                      qint64 sequence, Duration backlog, Duration endedBy);
    void noteDrained();
    Wait waitBefore(const Cycle& cycle, int sending, bool answered);
    Duration pollBusTime() const;
    bool pollUntilReady(const Cycle& cycle, int index, int address);
    Failure stillBusy(const DeviceCommand* command, const Cycle& cycle, int bus, int address) const;
    Failure statusFailure(const DeviceCommand* command, int bus, int address, int status) const;
    QString partText(const DeviceCommand* command, int bus, int address, int* partBus) const;
    const Device* deviceFor(const DeviceCommand* command, int bus, int address) const;
    const Device* partAt(int bus, int address) const;

    Link* m_link;
    int m_timeoutMs = DefaultTimeoutMs;
    Progress m_progress;
    bool m_acknowledgeChecks = false;
    QList<Device*> m_devices;
    bool m_gpioSelectsBus = false;
    int m_gpio = -1;
    int m_clockDivider;
    WriteCycles m_writing;

    // While a run lasts.
    const QList<DeviceCommand*>* m_commands = nullptr;
    int m_current = 0;                    // the command being sent
    int m_applied = 0;
    std::optional<RunResult> m_stop;
    std::deque<Sent> m_inFlight;          // sent, not yet proved done, oldest first
    std::optional<Sent> m_awaitingStatus; // done, applied once its status is in
    qint64 m_sequence = 0;
    int m_pollStatus = -1;
    std::optional<Refusable> m_refusable;
    QByteArray m_peeked;                  // answer bytes read ahead
    QByteArray m_ahead;                   // the start of the next command, sent
    QByteArray m_aheadEnd;                // what ends it without its command
    int m_aheadAnswer = 0;                // the answer that ending brings
    Duration m_aheadSent{0};              // when it went
    int m_lastByte = -1;                  // the last answer byte, for an "OK" split over two answers
    Duration m_lastSeen{0};               // when the last answer came in
    QSet<qint64> m_answered;              // parts that have answered in this run
};

#endif // QUELMRUNNER_COMMANDRUNNER_H
