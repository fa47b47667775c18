#include "stability/zorStabilityLog.h"

Q_LOGGING_CATEGORY(lcStability, "zor.stability")
