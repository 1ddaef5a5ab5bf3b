#include "ZOLVersion.h"

#include "ZOLVersionNumbers.h"

extern "C" const char* ZOLGetLibraryVersion(void) {
    return ZOL_VERSION_STRING;
}
