#pragma once

#include <QLoggingCategory>

// Diagnostics of the results layer ("zor.results"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcResults)
