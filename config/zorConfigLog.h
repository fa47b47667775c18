#pragma once

#include <QLoggingCategory>

// Diagnostics of the config layer ("zor.config"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcConfig)
