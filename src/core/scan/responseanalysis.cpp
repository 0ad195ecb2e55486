#include "responseanalysis.h"
