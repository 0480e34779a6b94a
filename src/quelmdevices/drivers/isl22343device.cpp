#include "isl22343device.h"

#include "partdriver.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::ISL22343);

// The wipers IVR0 to IVR3, then the general-purpose EEPROM.
const Row reportRows[] = {indexRows(0x00, 4, "IVR"),
                          fixedRow(0x04, 11, "4-E:", "04-0E: ", "EEPROM")};
} // namespace

QUELM_PART_DRIVER(ISL22343Device, part, table(reportRows))
