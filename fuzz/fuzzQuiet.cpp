#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// Refused input is what a fuzzer feeds all the time: the warnings the readers log about it
// would cost more than the reading. A fatal message still aborts.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}
