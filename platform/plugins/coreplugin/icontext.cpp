#include "icontext.h"
