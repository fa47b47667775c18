#pragma once

#include <QLoggingCategory>

// Diagnostics of the model layer ("zor.model"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcModel)
