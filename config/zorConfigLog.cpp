#include "config/zorConfigLog.h"

Q_LOGGING_CATEGORY(lcConfig, "zor.config")
