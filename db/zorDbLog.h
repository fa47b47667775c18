#pragma once

#include <QLoggingCategory>

// Diagnostics of the db layer ("zor.db"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcDb)
