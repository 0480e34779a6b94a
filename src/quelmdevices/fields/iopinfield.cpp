#include "iopinfield.h"
