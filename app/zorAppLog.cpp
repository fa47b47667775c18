#include "app/zorAppLog.h"

Q_LOGGING_CATEGORY(lcApp, "zor.app")
