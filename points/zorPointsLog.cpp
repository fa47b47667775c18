#include "points/zorPointsLog.h"

Q_LOGGING_CATEGORY(lcPoints, "zor.points")
