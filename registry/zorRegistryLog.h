#pragma once

#include <QLoggingCategory>

// Diagnostics of the registry layer ("zor.registry"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcRegistry)
