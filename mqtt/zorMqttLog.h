#pragma once

#include <QLoggingCategory>

// Diagnostics of the MQTT layer ("zor.mqtt"), written to the program's log.
Q_DECLARE_LOGGING_CATEGORY(lcMqtt)
