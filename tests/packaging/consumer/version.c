/* The version call from a C translation unit: the header must compile as C and the name link unmangled. */
#include "ZOLVersion.h"

const char* ConsumerLibraryVersion(void) {
    return ZOLGetLibraryVersion();
}
