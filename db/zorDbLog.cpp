#include "db/zorDbLog.h"

Q_LOGGING_CATEGORY(lcDb, "zor.db")
