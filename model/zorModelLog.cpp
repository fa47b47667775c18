#include "model/zorModelLog.h"

Q_LOGGING_CATEGORY(lcModel, "zor.model")
