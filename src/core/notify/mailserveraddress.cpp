#include "mailserveraddress.h"
