#include "testSetup.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;

void strictHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (previousHandler)
        previousHandler(type, context, message);
    if (!testSetup::isFatal(message))
        return;
    if (QTest::currentTestFunction()) {
        QTest::qFail(qPrintable(message), context.file ? context.file : __FILE__, context.line);
        return;
    }
    std::fprintf(stderr, "FAIL outside a test function: %s\n", qPrintable(message));
    std::abort();
}

} // namespace

bool testSetup::isFatal(const QString &message)
{
    return message.contains(QLatin1String("QMetaObject::connectSlotsByName: No matching signal"));
}

void testSetup::install()
{
    QStandardPaths::setTestModeEnabled(true);
    previousHandler = qInstallMessageHandler(strictHandler);
}

namespace {
void installTestSetup()
{
    testSetup::install();
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installTestSetup)
