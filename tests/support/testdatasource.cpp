#include "testdatasource.h"
