#include "registry/zorRegistryLog.h"

Q_LOGGING_CATEGORY(lcRegistry, "zor.registry")
