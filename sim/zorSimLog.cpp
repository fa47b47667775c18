#include "sim/zorSimLog.h"

Q_LOGGING_CATEGORY(lcSim, "zor.sim")
