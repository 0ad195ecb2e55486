#include "mailmessage.h"
