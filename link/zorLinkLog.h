#pragma once

#include <QLoggingCategory>

// Diagnostics of the link layer ("zor.link"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcLink)
