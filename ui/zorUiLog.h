#pragma once

#include <QLoggingCategory>

// Diagnostics of the shared widget layer ("zor.ui"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
