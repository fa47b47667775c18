#include "plot/zorPlotLog.h"

Q_LOGGING_CATEGORY(lcPlot, "zor.plot")
