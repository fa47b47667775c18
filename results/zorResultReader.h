#ifndef ZORRESULTREADER_H
#define ZORRESULTREADER_H

#include <QByteArray>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QIODevice;

// Reads a results file (zorResultLayout) back: the header first, then the data rows in
// slices, handing every value to a sink. Bytes from anywhere are expected: lines of
// any length, any number of columns, any encoding; what cannot be read is skipped.
//
// Two layouts are read. The one the program writes has the start date and time on
// line 1, which ends with the field separator. An older one has them on two lines,
// with the separator as the tenth character of line 1 and no line of units: its
// column captions carry the units in brackets, and its rows a clock time as their
// third field, which is dropped:
//   "Измерение" S "dd.MM.yyyy" S
//   "Время" S "hh:mm:ss" S
//   (empty)
//   "№" S "dT" S "Время" S "Канал 1 [°С]" S ...
//   1 S 0 S "hh:mm:ss" S value 1 S ...
//
// Values and times take a decimal point, and a decimal comma too unless the comma
// separates the fields. With a blank as separator the line of units starts with two
// blanks; the empty field the first one leaves is not a channel.
class zorResultReader
{
public:
    enum error {
        readOk = 0,
        noDate = 1,      // line 1 has no date
        noTime = 2,      // neither line 1 nor line 2 has a time, or the date or time is impossible
        noColumns = 3,   // no separator, or the line of columns has fewer than 3 fields
    };

    // Channels beyond this many columns are left out (columnsLeftOut()): no instrument
    // has more.
    static constexpr int maxChannels = 32;
    // Longer lines are read up to this many bytes and the rest is skipped.
    static constexpr int maxLine = 64 * 1024;

    explicit zorResultReader(QIODevice *in);

    // Reads the header and leaves the device at the first data row.
    error readHeader();
    QDateTime start() const { return m_start; }
    // The unit of each channel, indexed by channel; "Ом" is the ohm of the unit list.
    QStringList units() const { return m_units; }
    char separator() const { return sep; }
    bool isOlderLayout() const { return older; }
    // Channel columns of the header beyond maxChannels.
    int columnsLeftOut() const { return leftOut; }

    using sink = std::function<void(int ch, double time, double value)>;
    // Reads rows until the deadline, maxRows lines (when positive) or the end of the
    // file and hands every value to take; true at the end, also when the device failed
    // (failure()). A last line without its line end was cut short: its last field is
    // not read unless the separator closes it.
    bool run(const sink &take, const QDeadlineTimer &until = QDeadlineTimer(QDeadlineTimer::Forever), int maxRows = 0);
    // Why the device stopped giving bytes before its end; empty while it did not.
    QString failure() const { return m_failure; }
    // Bytes read, of the device's size (0 for a sequential device).
    qint64 position() const;
    qint64 size() const;

private:
    using field = std::pair<const char *, const char *>;

    // Reads the next line into buf, at most maxLine bytes of it, skipping the rest of a
    // longer one. Its length without the line end; -1 at the end of the file or when the
    // device fails (m_failure). lineEnded tells whether the line had its line end.
    int readLine();
    QString nextText();
    void readUnits(QStringList fields, bool bracketsOnly);
    void readRow(const char *begin, const char *end, const sink &take);
    bool number(const field &f, double &value) const;

    QIODevice *in;
    QDateTime m_start;
    QStringList m_units;
    char sep = ';';
    bool older = false;
    bool decimalComma = true;
    bool lineEnded = true;
    int leftOut = 0;
    QString m_failure;
    std::vector<char> buf;
    std::vector<field> fields;
};

#endif // ZORRESULTREADER_H
