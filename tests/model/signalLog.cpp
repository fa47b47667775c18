#include "tests/model/signalLog.h"

#include "model/optionsZOR70.h"

signalLog::signalLog(optionsZOR70 *o)
    : QObject(o)
{
    using O = optionsZOR70;
    const auto plain = [this, o](void (O::*signal)(), const char *name) {
        connect(o, signal, this, [this, name] { add(name); });
    };
    const auto indexed = [this, o](void (O::*signal)(quint8), const char *name) {
        connect(o, signal, this, [this, name](quint8 arg) { add(name, arg); });
    };
    plain(&O::onDevChange, "onDevChange");
    plain(&O::onRefChange, "onRefChange");
    indexed(&O::onChChange, "onChChange");
    plain(&O::onChChange, "onChChange");
    indexed(&O::onFeatChange, "onFeatChange");
    plain(&O::onFeatChange, "onFeatChange");
    plain(&O::onIdentChange, "onIdentChange");
    plain(&O::onSNApply, "onSNApply");
    plain(&O::onNameApply, "onNameApply");
    plain(&O::onDevApply, "onDevApply");
    indexed(&O::onChApply, "onChApply");
    plain(&O::onChApply, "onChApply");
    indexed(&O::onFeatApply, "onFeatApply");
    plain(&O::onFeatApply, "onFeatApply");
    plain(&O::onRefApply, "onRefApply");
    plain(&O::onDateTimeApply, "onDateTimeApply");
    plain(&O::onChErrorData, "onChErrorData");
}
