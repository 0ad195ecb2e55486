#include "mailthreads.h"
