#include "x95840device.h"

#include "partdriver.h"

using namespace RegisterReport;

namespace {
const Part& part = *Part::of(Device::X95840);

// The wiper registers 0x00 to 0x03, their addresses fixed texts, so these
// reports never switch the stream to hexadecimal. The part's registers 0x04
// to 0x07 are not modelled; the text shows them as a fixed line.
const Row reportRows[] = {numberedRow(0x00, "00:", "00   : ", "IVR", "IVR0"),
                          numberedRow(0x01, "01:", "01   : ", "IVR", "IVR1"),
                          numberedRow(0x02, "02:", "02   : ", "IVR", "IVR2"),
                          numberedRow(0x03, "03:", "03   : ", "IVR", "IVR3"),
                          fixedRow(0x04, 0, nullptr, "04-07:", "XX Not Used")};
} // namespace

QUELM_PART_DRIVER(X95840Device, part, table(reportRows))
