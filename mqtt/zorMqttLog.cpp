#include "mqtt/zorMqttLog.h"

Q_LOGGING_CATEGORY(lcMqtt, "zor.mqtt")
