#include "ui/zorUiLog.h"

Q_LOGGING_CATEGORY(lcUi, "zor.ui")
