#pragma once

/// \file
/// The one message the library shows a person: a modal alert about device PINs. A host with a user
/// interface installs its own handler (a message box owned by its foreground window); without one the
/// text goes to the log and to stderr.

#include "ZOLExport.h"

#include <string>

/// The alert and its replaceable handler; static members only.
class ZOL_API CZOLAlert {
public:
    /// caption and text are UTF-8. The handler is called on the thread that raised the alert and should
    /// return when the person has seen it.
    using Handler = void (*)(const std::string& caption, const std::string& text, void* context);

    /// Installs a handler; null restores the default (log and stderr).
    static void SetHandler(Handler handler, void* context);
    /// Shows an alert through the installed handler.
    static void Show(const std::string& caption, const std::string& text);
};
