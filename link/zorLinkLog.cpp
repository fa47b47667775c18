#include "link/zorLinkLog.h"

Q_LOGGING_CATEGORY(lcLink, "zor.link")
