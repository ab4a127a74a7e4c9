#include "core/serverassign.h"
