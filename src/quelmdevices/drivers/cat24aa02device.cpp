#include "cat24aa02device.h"

#include "partdriver.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::CAT24AA02);

// One row per read page.
const Row reportRows[] = {rangeRows(0x00, part.geometry.read.size, part.geometry.read.pages, "EEPROM")};
} // namespace

QUELM_PART_DRIVER(CAT24AA02Device, part, table(reportRows))
