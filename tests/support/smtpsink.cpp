#include "smtpsink.h"
