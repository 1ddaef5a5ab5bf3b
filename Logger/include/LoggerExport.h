#pragma once

/// \file
/// Marks what the logger library exports; everything else stays hidden.

/// Exports a declaration of the logger library.
#define LOGGER_API __attribute__((visibility("default")))
