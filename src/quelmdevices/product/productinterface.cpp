#include "productinterface.h"
