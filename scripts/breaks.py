#!/usr/bin/env python3
"""Breaks the code on purpose, one place at a time, and shows which tests
catch each break.

    python3 scripts/breaks.py [BUILD_DIR] [--only N,...]

Each break replaces one exact text in one source file, builds BUILD_DIR
(default build-breaks, Debug), runs the suite and restores the file. It
prints which test functions failed; a break that no test catches is listed
as NOT CAUGHT, one that does not compile as DOES NOT BUILD, and either
makes the exit status 1."""

import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# (where, what it breaks, [(file, text, replacement), ...])
BREAKS = [
    ("library", "command descriptions with lower-case hex digits",
     [("src/quelmdevices/product/productinterface.cpp",
       "*digit = char(*digit - 'a' + 'A');", "*digit = *digit;")]),
    ("library", "header pages off by one",
     [("src/quelmdevices/product/productinterface.cpp",
       "constexpr int HeaderWritePages = 7;", "constexpr int HeaderWritePages = 8;")]),
    ("library", "register write count without the register byte",
     [("src/quelmdevices/bus/sc18im700.cpp",
       "char(data.size() + 1) << reg", "char(data.size()) << reg")]),
    ("library", "address and data NACK status codes swapped",
     [("src/quelmdevices/bus/sc18im700protocol.h",
       "StatusNackOnAddress = 0xF1,", "StatusNackOnAddress = 0xF2,"),
      ("src/quelmdevices/bus/sc18im700protocol.h",
       "StatusNackOnData = 0xF2,", "StatusNackOnData = 0xF1,")]),
    ("library", "HTML register row without its line end",
     [("src/quelmdevices/core/registerreport.cpp",
       '<< "</tr>" << Qt::endl;', '<< "</tr>";')]),
    ("library", "write page dirty test misses the page's last byte",
     [("src/quelmdevices/core/device.cpp",
       "return rangeDiffers(writePageAddress(page), writePageSize(page));",
       "return rangeDiffers(writePageAddress(page), writePageSize(page) - 1);")]),
    ("library", "EEPROM read pages of 16 bytes",
     [("src/quelmdevices/drivers/parts.cpp",
       "{Device::CAT24AA02, 256, {32, 8, 8}, {32, 8, 8}}",
       "{Device::CAT24AA02, 256, {16, 16, 16}, {32, 8, 8}}")]),
    ("library", "a whole-memory write cycle reaches one byte past the memory",
     [("src/quelmdevices/drivers/parts.cpp",
       "quint8(geometry.memorySize - 1)", "quint8(geometry.memorySize)")]),
    ("library", "the X95840's line makes an ISL22343",
     [("src/quelmdevices/drivers/parts.cpp",
       'driver<X95840Device>("X95840"', 'driver<ISL22343Device>("X95840"')]),
    ("library", "X9408 write-counter instruction wrong",
     [("src/quelmdevices/drivers/instructions.h",
       "WriteWiperCounter = 0xA0;", "WriteWiperCounter = 0xA8;")]),
    ("library", "AD5144A copy to EEPROM instruction wrong",
     [("src/quelmdevices/drivers/instructions.h",
       "CopyWiperToMemory = 0x70;", "CopyWiperToMemory = 0x60;")]),
    ("library", "X9408 writes through the bus master's encoder (same bytes)",
     [("src/quelmdevices/drivers/x9408device.cpp",
       "writeWiperCounter(I2CBusController&, const Device& device,",
       "writeWiperCounter(I2CBusController& bus, const Device& device,"),
      ("src/quelmdevices/drivers/x9408device.cpp",
       "return {QByteArray(write, int(sizeof write)), QByteArray(transfer, int(sizeof transfer))};",
       "return {bus.writeExternalDevice(device.busAddress(), QByteArray(write + 3, 2)),\n"
       "            bus.writeExternalDevice(device.busAddress(), QByteArray(transfer + 3, 1))};")]),
    ("library", "AD5144A wiper write through the register-addressed encoder (same bytes)",
     [("src/quelmdevices/drivers/ad5144adevice.cpp",
       "return {bus.writeExternalDevice(address, wiper),",
       "return {bus.writeExternalDevice(address, quint8(wiper.at(0)), wiper.mid(1)),")]),
    ("library", "byte time of nine bits",
     [("src/quelmdevices/bus/sc18im700protocol.h",
       "constexpr int BitsPerByte = 10;", "constexpr int BitsPerByte = 9;")]),
    ("simulator", "EEPROM page write does not wrap within its page",
     [("simulator/registerpart.cpp",
       "return pageStart + (m_pointer + 1 - pageStart) % pageSize;",
       "return (m_pointer + 1 + 0 * pageStart) % memory().size();")]),
    ("simulator", "X95840 wipers at power-on one step low",
     [("simulator/simulatedpart.cpp",
       "unpaged(Device::X95840, 8, {{0x00, 4, 0x80}},",
       "unpaged(Device::X95840, 8, {{0x00, 4, 0x7F}},")]),
    ("simulator", "write cycle never starts",
     [("simulator/simulatedpart.cpp",
       "if (!cycle || !cycle->startsWith(written, shadowsInEeprom()))",
       "if (true || !cycle || !cycle->startsWith(written, shadowsInEeprom()))")]),
    ("simulator", "I2C byte read one clock short",
     [("simulator/bridgesimulator.cpp",
       "            clock(ClocksPerByte);\n            answer->append",
       "            clock(ClocksPerByte - 1);\n            answer->append")]),
    ("simulator", "transmit FIFO ignored: a long answer never keeps the bridge busy",
     [("simulator/bridgesimulator.cpp",
       "m_txDone - TransmitFifoSize * m_byteTime", "m_txDone - 1000 * TransmitFifoSize * m_byteTime")]),
    ("simulator", "receive FIFO of 17 bytes",
     [("simulator/receiveline.cpp",
       "takenAfter(m_arrivals.at(index)) >= ReceiveFifoSize;", "takenAfter(m_arrivals.at(index)) > ReceiveFifoSize;")]),
    ("simulator", "receive FIFO forgets the commands still waiting in it",
     [("simulator/receiveline.cpp",
       "return waiting + takenAfter(m_arrivals.at(index)) >= ReceiveFifoSize;",
       "return waiting + 0 * index >= ReceiveFifoSize;")]),
    ("simulator", "a gap of exactly 655 ms drops the command",
     [("simulator/bridgesimulator.cpp", "gap <= ReceiveGapTimeout", "gap < ReceiveGapTimeout")]),
    ("simulator", "X9408 counters not loaded from data register 0 at power-up",
     [("simulator/commandpart.cpp", "        put(pot, at(dataRegister(quint8(pot))));", "        (void)pot;")]),
    ("simulator", "DS4520 writes with SEE set reach the EEPROM copies",
     [("simulator/registerpart.cpp",
       "if (shadowed >= 0 && shadowed < ShadowedCount && shadowsInEeprom())",
       "if (shadowed >= 0 && shadowed < ShadowedCount)")]),
    ("simulator", "the restart fault one command string late",
     [("simulator/bridgesimulator.cpp",
       "if (m_restartAfter < 1 || --m_restartAfter > 0)", "if (m_restartAfter < 1 || m_restartAfter-- > 0)")]),
    ("library", "command strings may be 4 bytes shorter than the receive FIFO",
     [("src/quelmdevices/bus/sc18im700protocol.h",
       "constexpr int LongestCommandString = ReceiveFifoSize;",
       "constexpr int LongestCommandString = ReceiveFifoSize - 4;")]),
    ("runner", "poll before a read dropped",
     [("runner/commandrunner.cpp",
       "(wait == Wait::Poll && !pollUntilReady(m_writing.value(key), index, shape.address))",
       "(false && !pollUntilReady(m_writing.value(key), index, shape.address))")]),
    ("runner", "refused write not sent again",
     [("runner/commandrunner.cpp",
       "    m_writing.remove(key);\n    return runCommand(refused.index, false);",
       "    m_writing.remove(key);\n    return true;")]),
    ("runner", "answer timeout counts from queueing, not from the wire",
     [("runner/commandrunner.cpp",
       "return m_timeoutMs + ceilMs(queued * m_link->byteTime());",
       "return m_timeoutMs + 0 * ceilMs(queued * m_link->byteTime());")]),
    ("runner", "one byte more in flight than the receive FIFO holds",
     [("runner/commandrunner.cpp",
       "unconfirmedBytes() - m_ahead.size() + bytes > ReceiveFifoSize",
       "unconfirmedBytes() - m_ahead.size() + bytes > ReceiveFifoSize + 1")]),
    ("runner", "a silent part's answer left to the next read",
     [("runner/commandrunner.cpp",
       "        if (foreign >= read.answerSize)\n            return false;",
       "        if (foreign > read.answerSize)\n            return false;")]),
    ("runner", "an OK in the answers never checked",
     [("runner/commandrunner.cpp",
       "    if (mayHoldAnnouncement(at, answer)) {", "    if (false && mayHoldAnnouncement(at, answer)) {")]),
    ("runner", "a write's end counted from its handing over, the bytes before it ignored",
     [("runner/commandrunner.cpp",
       "+ (queued + bytes.size()) * m_link->slowestByteTime() + backlog;",
       "+ (0 * queued + bytes.size()) * m_link->slowestByteTime() + backlog;")]),
    ("runner", "bridge search never tries the rate asked for early",
     [("runner/bridgesetup.cpp", "    add(likely);\n", "    add(likely * 0);\n")]),
    ("runner", "stale input kept before a probe",
     [("runner/bridgesetup.cpp",
       "    m_link->discardInput();\n    if (!m_link->write(registerReadCommand(probeRegisters())))",
       "    if (!m_link->write(registerReadCommand(probeRegisters())))")]),
    ("host", "the setup's probes count against --sim-disconnect-after",
     [("tools/host/transport.cpp",
       "    BridgeSetup setup(m_link.get());\n",
       "    m_guard->setCommandLimit(m_options.disconnectAfter);\n    BridgeSetup setup(m_link.get());\n"),
      ("tools/host/transport.cpp",
       "    m_guard->setCommandLimit(m_options.disconnectAfter);\n    m_guard->setWire",
       "    m_guard->setWire")]),
    ("host", "phase seconds with three decimals",
     [("tools/host/transport.cpp", "0, 'f', 2).arg(baudRate)", "0, 'f', 3).arg(baudRate)")]),
    ("host", "a write-only part's value printed as the mirror's guess",
     [("tools/host/render.cpp",
       "if (field && memoryMark(field->device(), 0, 0) == MemoryMark::NotReadBack)\n        return",
       "if (false)\n        return")]),
    ("host", "bytes shown in lower-case hex",
     [("tools/host/product.cpp",
       "return QString::fromLatin1(bytes.toHex().toUpper());",
       "return QString::fromLatin1(bytes.toHex());")]),
    ("host", "scan grid column headings in lower case",
     [("tools/host/render.cpp",
       'QStringLiteral(" %1  ").arg(QString::number(column, 16).toUpper())',
       'QStringLiteral(" %1  ").arg(QString::number(column, 16))')]),
    ("host", "a record that ends one byte past the memory taken",
     [("tools/host/eepromfile.cpp",
       "if (record.get_address_end() > srecord::record::address_t(memorySize))",
       "if (record.get_address_end() > srecord::record::address_t(memorySize) + 1)")]),
    ("host", "an image device at another address taken for the described one",
     [("tools/host/productimage.cpp",
       "&& device->busAddress() == address;", ";")]),
    ("host", "each differing byte a range of its own",
     [("tools/host/productimage.cpp", "if (last != address - 1)", "if (last != address)")]),
    ("host", "restore writes the header's pages without --header",
     [("tools/host/workflow.cpp",
       "const int headerEnd = withHeader ? 0 : m_product.headerSize();",
       "const int headerEnd = withHeader ? 0 : 0;")]),
    ("host", "the X9408's image holds what was read (nothing) instead of what was written",
     [("tools/host/productimage.cpp",
       "(image.readBack ? device->rxBuffer() : device->txBuffer())", "device->rxBuffer()")]),
    ("quelmctl", "a number option given a word taken as 0 (--timeout abc)",
     [("tools/quelmctl/cli.cpp", "if (!ok || *value < 0)", "if (*value < 0)"),
      ("tools/quelmctl/cli.cpp", "return ok && *value >= 0;", "return *value >= 0;")]),
    ("quelmctl", "--each counts from one past its start",
     [("tools/quelmctl/unitvalues.cpp", "const QString digits = countedDigits(start, unit);",
       "const QString digits = countedDigits(start, unit + 1);")]),
    ("quelmctl", "a port through two names taken for two products",
     [("tools/quelmctl/stations.cpp", "devices.indexOf(canonical.isEmpty() ? path : canonical)",
       "devices.indexOf(path)")]),
    ("quelmctl", "a station run keeps no record",
     [("tools/quelmctl/stations.cpp", "if (store && !store->store(record, &run.recordError))",
       "if (false && store && !store->store(record, &run.recordError))")]),
    ("quelmctl", "raw bus access without the I2C status after each transaction",
     [("tools/quelmctl/i2ccommand.cpp", "options.acknowledgeChecks = true;", "options.acknowledgeChecks = false;")]),
    ("quelmctl", "a described part's address reached without --force",
     [("tools/quelmctl/i2ccommand.cpp", "if (part && !invocation.force)", "if (part && false)")]),
    ("quelmctl", "a dump that goes on after its part did not acknowledge the address",
     [("tools/quelmctl/i2ccommand.cpp", "if (read.status == SC18IM700Protocol::StatusNackOnAddress)",
       "if (read.status == -2)")]),
    ("host", "i2c detect stops one address short of 0x77",
     [("tools/host/rawbus.cpp", "quint8(RawI2C::LastAddress << 1)", "quint8((RawI2C::LastAddress - 1) << 1)")]),
    ("host", "a 17-byte raw transfer sent as one string",
     [("tools/host/rawbus.cpp", "if (size > LongestCommandString)", "if (size > LongestCommandString + 1)")]),
    ("simulator", "a state's memory text of the wrong length restored",
     [("simulator/simulatedpart.cpp",
       "if (text.size() != 2 * memory.size())", "if (false && text.size() != 2 * memory.size())")]),
    ("simulator", "a state's memory of another size than the part's taken",
     [("simulator/simulatedpart.cpp",
       "if (memory.size() != m_memory.size())", "if (false && memory.size() != m_memory.size())")]),
    ("simulator", "a state's register pointer outside the part restored",
     [("simulator/registerpart.cpp",
       "if (pointer < 0 || pointer >= memory().size() ||", "if (pointer < 0 ||")]),
    ("simulator", "an address text that is not hex taken by the state's reader",
     [("simulator/bridgesimulator.cpp",
       "const uint value = digits.toUInt(&ok, 16);", "const uint value = digits.left(2).toUInt(&ok, 16);")]),
    ("host", "a save the disk cuts short after the file was opened reported as success",
     [("tools/host/savefile.cpp",
       "if (file.write(contents) != contents.size()) {", "if (file.write(contents) < 0) {")]),
    ("studio", "the product's objects stay on the window's thread while the bus thread makes its fields",
     [("studio/studiosession.cpp",
       "    product->moveToThread(m_bus.busThread());\n", "")]),
    ("description", "an odd number of hex digits refused as a wrong size",
     [("tools/description/productdescription.cpp", "    if (text.size() % 2 != 0) {", "    if (false) {")]),
    ("host", "the wait for a state another run holds not told",
     [("tools/host/simulatorstate.cpp", "if (held && waiting && waitMs > 0)", "if (held && waiting && waitMs < 0)")]),
    ("studio", "Read, Write, Erase and Scan enabled without a connection",
     [("studio/mainwindow.cpp", "action->setEnabled(ready && m_session->isConnected());",
       "action->setEnabled(ready);")]),
    ("studio", "a file that failed to open stays in Open Recent",
     [("studio/mainwindow.cpp", "    forgetRecent(fileName);\n    if (error)", "    if (error)")]),
    ("studio", "the log stops following new lines",
     [("studio/mainwindow.cpp", "const bool follow = m_followLog;", "const bool follow = false;")]),
    ("studio", "the Connect dialog looks for a port name in the working folder, not under /dev",
     [("studio/connectiondialog.cpp", "QFileInfo::exists(SerialLink::devicePath(port))", "QFileInfo::exists(port)")]),
    ("library", "the DS4520's Configuration row (F4) shows the byte of F5",
     [("src/quelmdevices/drivers/ds4520device.cpp",
       'fixedRow(Configuration, 1, "F4:", "F4   : ", "Configuration")',
       'fixedRow(UserEeprom, 1, "F4:", "F4   : ", "Configuration")')]),
    ("host", "the guarded link says an earlier stop's words for the port's own failure",
     [("tools/host/transport.cpp",
       "        if (!m_link->write(bytes)) {\n            setErrorString(m_link->errorString());\n",
       "        if (!m_link->write(bytes)) {\n")]),
    ("host", "a stopped scan calls the parts it never probed silent",
     [("tools/host/scanmodel.cpp",
       "if (probed(part.address) && !answered.contains(part.address))", "if (!answered.contains(part.address))")]),
    ("studio", "a stopped read drops the earlier read's values of the devices it did not finish",
     [("studio/studiosession.cpp", "            device->setRxData(earlier->rxBuffer());\n", "")]),
    ("studio", "Quit during bus work waits for the action without stopping it",
     [("studio/mainwindow.cpp", "    m_session->cancel();\n    m_session->waitUntilIdle();\n",
       "    m_session->waitUntilIdle();\n")]),
    ("host", "a record that fails half-way is not rolled back",
     [("tools/host/recordstore.cpp",
       'run(query, QStringLiteral("ROLLBACK"), &ignored);', "Q_UNUSED(ignored);")]),
    ("host", "--serial matches only the serial number before the run",
     [("tools/host/recordstore.cpp",
       "(units.serial_before = ? OR units.serial_after = ?)",
       "(units.serial_before = ? OR units.serial_before = ?)")]),
    ("host", "PostgreSQL stations create the record tables without the lock",
     [("tools/host/recordstore.cpp",
       'QStringLiteral("SELECT pg_advisory_xact_lock(7175656)")', "QString()")]),
]

FAIL = re.compile(r"^FAIL!\s*:\s*(\w+)::(\w+)\(", re.M)


def run(args, **kw):
    return subprocess.run(args, cwd=ROOT, text=True, capture_output=True, **kw)


def caught_by(build):
    result = run(["cmake", "--build", build, "-j2"])
    if result.returncode != 0:
        return None  # a break must compile to say anything about the tests
    result = run(["ctest", "--test-dir", build, "-j2", "--output-on-failure",
                  "-E", "installed_package"])
    found = sorted({f"{m.group(1)}::{m.group(2)}" for m in FAIL.finditer(result.stdout)})
    if result.returncode != 0 and not found:
        found = ["(a test crashed or timed out)"]
    return found


def main():
    args = [a for i, a in enumerate(sys.argv[1:], 1)
            if a != "--only" and sys.argv[i - 1] != "--only"]
    build = args[0] if args else "build-breaks"
    only = None
    for i, a in enumerate(sys.argv):
        if a == "--only":
            only = {int(n) for n in sys.argv[i + 1].split(",")}
    run(["cmake", "-S", ".", "-B", build, "-DCMAKE_BUILD_TYPE=Debug"], check=True)
    missed = 0
    for number, (where, what, edits) in enumerate(BREAKS, 1):
        if only and number not in only:
            continue
        saved = {}
        for path, text, replacement in edits:
            file = ROOT / path
            source = saved.setdefault(path, file.read_text())
            current = file.read_text()
            if current.count(text) != 1:
                sys.exit(f"break {number}: the text to replace is not once in {path}")
            file.write_text(current.replace(text, replacement))
        try:
            tests = caught_by(build)
        finally:
            for path, source in saved.items():
                (ROOT / path).write_text(source)
        missed += not tests
        verdict = "DOES NOT BUILD" if tests is None else ", ".join(tests) or "NOT CAUGHT"
        print(f"{number:2}. [{where}] {what}: {verdict}", flush=True)
    run(["cmake", "--build", build, "-j2"])
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
