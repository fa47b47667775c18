#ifndef ZORSTREAMPARSER_H
#define ZORSTREAMPARSER_H

#include <QByteArray>
#include <QStringList>
#include <QVector>

// Cuts the instrument's text stream into tokens and tells what each one says.
//
// Tokens are separated by blanks. A reading is channel number, colon, value and one
// unit character ("3:21.4567D"); a status message carries fields separated by "#"
// and ends with one more character ("0#a#b#"). The last character of every token is
// taken as its unit character and is never part of the value or of the fields.
class zorStreamParser
{
public:
    enum _kind { other, measurement, status };

    struct _token
    {
        QByteArray source;     // the token as received, with a trailing blank
        _kind type = other;
        quint8 ch = 0;         // channel number (measurement)
        char dim = 0;          // unit character (measurement)
        double meas = 0;       // value (measurement)
        QStringList fields;    // status fields, Latin-1, empty fields left out
    };

    // Text without a blank is kept until it grows beyond this, then thrown away.
    static constexpr int maxPending = 4096;

    // Adds received bytes and appends every completed, non-empty token to tokens.
    // Returns false while the buffer holds no blank: nothing was completed.
    bool append(const QByteArray &bytes, QVector<_token> &tokens);

    // Decodes one token (without its separating blank); size must be at least 1.
    static _token decode(const char *data, int size);

    const QByteArray &pending() const { return buffer; }
    void clear() { buffer.clear(); }
    // After a failed handshake, when the text that follows begins with the selector byte:
    // that byte may be an echo that came twice. Ahead of a digit it cannot be told from a
    // channel number ('3' then "2:21.4J" reads as channel 32), so that token is dropped up
    // to the next blank; ahead of anything else it begins a reading ("3:21.6D").
    void resync()
    {
        buffer.clear();
        sync = strayFirst;
    }

private:
    enum _sync : quint8 { inStep, strayFirst, toBlank };

    QByteArray buffer;
    _sync sync = inStep;
};

#endif // ZORSTREAMPARSER_H
