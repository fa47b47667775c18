#pragma once

#include <QLoggingCategory>

// Diagnostics of the points layer ("zor.points"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcPoints)
