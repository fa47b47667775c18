#pragma once

#include <QLoggingCategory>

// Diagnostics of the app layer ("zor.app"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
