#include "bodydecoder.h"
