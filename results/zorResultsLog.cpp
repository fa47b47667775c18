#include "results/zorResultsLog.h"

Q_LOGGING_CATEGORY(lcResults, "zor.results")
