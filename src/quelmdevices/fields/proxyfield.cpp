#include "proxyfield.h"
