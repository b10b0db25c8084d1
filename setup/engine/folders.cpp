#include "setup/engine/engine.h"
