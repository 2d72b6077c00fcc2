// A source whose includes all go through the folders it links: check_includes.sh passes it.
#include "core/database.h"
#include <vector>
