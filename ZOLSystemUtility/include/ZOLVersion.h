#pragma once

/** \file
   The library's version, for a host that wants to know at run time which build it loaded. C and C++
   hosts alike can call it. */

#include "ZOLExport.h"
#include "ZOLVersionNumbers.h"

#ifdef __cplusplus
extern "C" {
#endif

/** "MAJOR.MINOR.PATCH" of this build, for example "1.0.0": the version the library was built as, whose
   major number is also the shared library's SONAME version. The text is static: never null, never
   freed by the caller, the same on every call. */
ZOL_API const char* ZOLGetLibraryVersion(void);

#ifdef __cplusplus
}
#endif
