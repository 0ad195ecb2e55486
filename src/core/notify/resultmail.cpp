#include "resultmail.h"
