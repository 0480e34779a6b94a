#ifndef QUELMDEVICES_H
#define QUELMDEVICES_H

//! \file quelmdevices.h
//! Everything a host needs to drive a product's I2C parts: every class of
//! the library and its version. Include it as <quelmdevices/quelmdevices.h>
//! and link quelmdevices::quelmdevices (pkg-config: quelmdevices).

#include <quelmdevices/version.h>

// Device core
#include "device.h"
#include "pageddevice.h"
#include "devicecommand.h"
// Bus master
#include "i2cbuscontroller.h"
#include "sc18im700.h"
// Device drivers
#include "ds4520device.h"
#include "isl22343device.h"
#include "x95840device.h"
#include "x9408device.h"
#include "ad5144adevice.h"
#include "cat24aa02device.h"
// Product assembly
#include "subassembly.h"
#include "productinterface.h"
// Field mapping
#include "field.h"
#include "iopinfield.h"
#include "ioportfield.h"
#include "nullfield.h"
#include "proxyfield.h"

//! \example quickstart/main.cpp
//! A host in one file: a product of two boards behind the bridge, fields on
//! a model, the read list sent to the bridge simulator in process, two
//! changed values written back and verified. The development package
//! installs it, with its CMakeLists.txt, under
//! share/doc/libquelmdevices-dev/examples/quickstart/.

#endif // QUELMDEVICES_H
