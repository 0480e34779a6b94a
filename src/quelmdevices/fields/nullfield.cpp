#include "nullfield.h"
