#include "pagefetcher.h"
