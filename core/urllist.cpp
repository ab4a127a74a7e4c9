#include "core/urllist.h"
