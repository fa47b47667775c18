#include "link/zorStreamParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

// The reading stream in pieces of 1 to 512 bytes, as a port delivers them, some after a
// failed handshake. The piece lengths and the handshakes come from the end of the input,
// so a recorded stream is a seed as it is.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    zorStreamParser parser;
    QVector<zorStreamParser::_token> tokens;
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeBool())
            parser.resync();
        const std::vector<char> piece = input.ConsumeBytes<char>(input.ConsumeIntegralInRange<size_t>(1, 512));
        parser.append(QByteArray(piece.data(), int(piece.size())), tokens);
        if (parser.pending().size() > zorStreamParser::maxPending + 512)
            abort();
    }
    // A reading is exactly what its token says: no garbage turns into one.
    for (const zorStreamParser::_token &t : qAsConst(tokens)) {
        if (t.type != zorStreamParser::measurement)
            continue;
        const QByteArray text = t.source.chopped(2);
        bool ok = false;
        if (t.ch == 0 || text.mid(text.lastIndexOf(':') + 1).toDouble(&ok) != t.meas || !ok)
            abort();
    }
    return 0;
}
