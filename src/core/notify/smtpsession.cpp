#include "smtpsession.h"
