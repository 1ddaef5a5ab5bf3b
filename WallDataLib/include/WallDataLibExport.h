#pragma once

/// \file
/// Marks what the record library exports; the library is built with hidden visibility.

/// Exports a declaration of the record library.
#define WDL_API __attribute__((visibility("default")))
