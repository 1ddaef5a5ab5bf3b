#include "ZOLVersion.h"

#include "ProjectVersion.h"

extern "C" const char* ZOLGetLibraryVersion(void) {
    return ZOL_PROJECT_VERSION;
}
