#include "subassembly.h"
