#ifndef QUELMCTL_JSONOUTPUT_H
#define QUELMCTL_JSONOUTPUT_H

#include <product.h>

#include <QtCore/QByteArray>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonObject>
#include <QtCore/QList>

class LoadedProduct;
struct DeviceComparison;
struct PhaseRun;
struct SegmentScan;

// The pieces of the document that --json prints: the facts of the tables,
// in a form scripts read without parsing text. Addresses are "0xA0" texts
// (8-bit bus addresses), byte strings upper-case hex.

// Every setting: name, kind, device, address, value.
QJsonArray settingsJson(const LoadedProduct& product);
// Every device: name, type, bus, address and the write pages where what the
// product wants differs from what was read.
QJsonArray devicesJson(const LoadedProduct& product);
// One bus segment: bus (null for the only one), answered, expected,
// missing and notDescribed addresses, and why the scan stopped early.
QJsonObject scanJson(const SegmentScan& scan);
// A run that stopped: the phase, the message, the failing command (1-based
// index, description, bytes), restarted when the bridge restarted under the
// run, and, when the bridge's status explains the stop, that status with the
// part's bus and address.
QJsonObject runErrorJson(const PhaseRun& run);
// How the checked pages read back: matching devices, write-only ones, and
// every page that differs with what was written and what was read.
QJsonObject verifyJson(const VerifyResult& result);

// One device of a compare: name, type, bus, address, readBack, equal, and
// every range that differs with start, end and both values.
QJsonObject comparisonJson(const DeviceComparison& comparison);

#endif // QUELMCTL_JSONOUTPUT_H
