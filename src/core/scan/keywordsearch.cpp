#include "keywordsearch.h"
