#include "registerreport.h"
