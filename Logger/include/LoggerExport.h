#pragma once

/// \file
/// Marks what the logger library exports; everything else stays hidden.
#define LOGGER_API __attribute__((visibility("default")))
