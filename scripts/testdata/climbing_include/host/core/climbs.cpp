// A source that climbs out of its folder to include another's header: check_includes.sh must refuse it.
#include "core/database.h"
#include "../view/scene.h"
