#pragma once

#include <QLoggingCategory>

// Diagnostics of the sim layer ("zor.sim"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcSim)
