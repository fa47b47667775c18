#include "sim/zorSimStream.h"
#include "sim/zorSimulator.h"

#include <QTest>

namespace {

zorSimMemory instrument()
{
    return zorSimMemory(zorSimMemory::basic, 42, QStringLiteral("Термометр"), 8);
}

} // namespace

// The simulated instrument: its memory as the program writes it, and the stream it
// sends as the program's parser reads it. (What it answers to reads, identity included,
// the registry suite compares with what the program decodes and stores.)
class test_zorSimulator : public QObject
{
    Q_OBJECT

private slots:
    // A name write changes the name, not the signature; a serial number write its own bytes; a
    // block of the wrong length nothing.
    void writes()
    {
        zorSimMemory memory = instrument();
        const QByteArray device = memory.read(5), name = QByteArray("New name").leftJustified(16, '\0');
        for (quint8 address : {0x32, 0x34, 4})
            QCOMPARE(memory.kindOf(address), zorSimMemory::blockWrite);
        memory.write(0x32, QByteArray("\x0f\xaa\x01\x03", 4) + name);
        memory.write(0x34, QByteArray("\x07\0\0\0", 4));
        memory.write(4, QByteArray(7, '\1'));
        QCOMPARE(memory.read(0x33).left(24), QByteArray("\x0f\xaa\x00\x03", 4) + name + QByteArray("\x07\0\0\0", 4));
        QCOMPARE(memory.read(5), device);
    }

    void tokens()
    {
        // Byte for byte the tokens the parser's suite reads: value and unit letter, an error's
        // code + '0', a status's code (an error's + 48), thermostat and change flags as bytes.
        QCOMPARE(zorSimStream::reading(3, 21.45671, 4, 3) + zorSimStream::errorReading(5, 13)
                     + zorSimStream::status(0, true, 0x0f) + zorSimStream::status(50, false, 0),
                 QByteArray("3:21.4567D 5:-999999.0= 0#\x01#\x0f# 98#\0#\0# ", 39));
    }
};

QTEST_GUILESS_MAIN(test_zorSimulator)
#include "test_zorSimulator.moc"
