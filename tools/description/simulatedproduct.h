#ifndef QUELMDESCRIPTION_SIMULATEDPRODUCT_H
#define QUELMDESCRIPTION_SIMULATEDPRODUCT_H

#include "productdescription.h"

#include <bridgesimulator.h>

#include <memory>

// The bridge simulator holding a part for every device a product
// description names, its segments selected the way the description says.
// quelmctl's built-in simulator and quelm-simulator read descriptions
// through this one reader, so that they accept the same files.
namespace SimulatedProduct {

// Null, with one line in error, for a device type the simulator has no
// part for.
std::unique_ptr<BridgeSimulator> of(const ProductDescription& description, QString* error);
// The description read from a file ("FILE: ..." errors, as the reader words
// them), then simulated.
std::unique_ptr<BridgeSimulator> fromFile(const QString& fileName, QString* error);

} // namespace SimulatedProduct

#endif // QUELMDESCRIPTION_SIMULATEDPRODUCT_H
