#pragma once

#include <QLoggingCategory>

// Diagnostics of the stability layer ("zor.stability"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcStability)
