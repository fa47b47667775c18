// Set up once for every test program, before its first test function runs:
// - QStandardPaths test mode, so no suite ever sees the real user's data;
// - a message handler that fails the running test when a designer form's
//   auto-connected slot has lost its widget ("No matching signal").

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
    if (!message.contains(QLatin1String("QMetaObject::connectSlotsByName: No matching signal")))
        return;
    if (QTest::currentTestFunction()) {
        QTest::qFail(qPrintable(message), context.file ? context.file : __FILE__, context.line);
        return;
    }
    std::fprintf(stderr, "FAIL outside a test function: %s\n", qPrintable(message));
    std::abort();
}

void installTestSetup()
{
    QStandardPaths::setTestModeEnabled(true);
    previousHandler = qInstallMessageHandler(strictHandler);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installTestSetup)
