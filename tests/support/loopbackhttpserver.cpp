#include "loopbackhttpserver.h"
