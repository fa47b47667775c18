#ifndef TESTSETUP_H
#define TESTSETUP_H

#include <QString>

// Set up once for every test program, before its first test function runs:
// - QStandardPaths test mode, so no suite ever sees the real user's data;
// - a message handler that fails the running test when a designer form's
//   auto-connected slot has lost its widget ("No matching signal").
class testSetup
{
public:
    static void install();

    // True for a message that must fail the test.
    static bool isFatal(const QString &message);
};

#endif // TESTSETUP_H
