#ifndef QUELMHOST_SERVICETEXT_H
#define QUELMHOST_SERVICETEXT_H

#include "productimage.h"
#include "workflow.h"

#include <QtCore/QStringList>

#include <optional>

// What both hosts say about backup, restore and compare, and the image
// file they check before anything is sent.

// The image file's devices that names selects (all for none), checked in
// full against the product; null, with the one line that says why, when
// the file cannot be read, is no image, or does not fit the product.
std::optional<QList<DeviceImage>> checkedImage(const QString& fileName, const LoadedProduct& product,
                                               const QStringList& names, QString* error);

// "backup: 6 devices in FILE", then a line for each device saved with the
// values last written.
QStringList backupLines(const ProductImage& image, const QString& fileName);

// A line per restored device once the restore got to its verify: "restore:
// LABEL: 3 bytes changed, verified"; the header kept says how to restore it
// too, in headerHint's words ("--header restores them").
QStringList restoreLines(const ActionResult& result, const LoadedProduct& product, bool withHeader,
                         const QString& headerHint);

// Each compared device's lines ("LABEL: equal", "LABEL: 0x10-0x13: image
// ..., product ...", "LABEL: not read back, not compared"), then the
// summary: "compare: the product holds the image" or "compare: 2 of 6
// devices differ".
QStringList compareLines(const QList<DeviceComparison>& compared);
// The devices of compared that differ.
int differingDevices(const QList<DeviceComparison>& compared);

#endif // QUELMHOST_SERVICETEXT_H
