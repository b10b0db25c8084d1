#include "setup/tree/setuptree.h"
