#include "ioportfield.h"
