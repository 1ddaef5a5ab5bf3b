#pragma once

/// \file
/// The library is compiled with hidden visibility: only what carries ZOL_API is exported to hosts.

/// Exports a declaration of the library.
#define ZOL_API __attribute__((visibility("default")))
