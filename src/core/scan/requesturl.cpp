#include "requesturl.h"
