#ifndef QUELMCTL_STATIONS_H
#define QUELMCTL_STATIONS_H

#include "subcommands.h"

// read, write, erase or scan on every product of a station at once: each
// port (or simulated unit) is one product with its own bridge, run on a
// thread of its own, so that a slow or failing product holds up none of
// the others. Every port, and every unit's values, is checked before any
// product is touched. Prints one table (or JSON document) with a row per
// product; 0 when every product passed, 1 when any failed or a port does
// not open, 2 for input that makes no sense.
int runStations(const Invocation& invocation, const QString& command);

#endif // QUELMCTL_STATIONS_H
