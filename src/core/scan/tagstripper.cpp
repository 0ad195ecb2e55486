#include "tagstripper.h"
