#pragma once

#include <QLoggingCategory>

// Diagnostics of the plot layer ("zor.plot"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcPlot)
