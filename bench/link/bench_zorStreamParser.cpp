// Stream parser throughput on one core: tokens per second for a realistic stream of
// readings of 32 channels and a status line after each sweep, fed in chunks.
#include "bench/common/benchFigures.h"
#include "link/zorStreamParser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>


namespace {

QByteArray makeStream(int sweeps)
{
    QRandomGenerator random(1);
    QByteArray stream;
    for (int sweep = 0; sweep < sweeps; ++sweep) {
        for (int ch = 1; ch <= 32; ++ch)
            stream += QByteArray::number(ch) + ':' + QByteArray::number(21.5 + random.generateDouble(), 'f', 4)
                + char('A' + ch % 10) + ' ';
        stream += QByteArray("0#\x01#\x00# ", 8);
    }
    return stream;
}

double tokensPerSecond(const QByteArray &stream, int tokensInStream, int chunk)
{
    zorStreamParser parser;
    QVector<zorStreamParser::_token> tokens;
    tokens.reserve(tokensInStream);
    qint64 parsed = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2000) {
        for (int at = 0; at < stream.size(); at += chunk) {
            parser.append(QByteArray::fromRawData(stream.constData() + at, qMin(chunk, stream.size() - at)), tokens);
            parsed += tokens.size();
            tokens.clear();
        }
    }
    return parsed / (timer.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int sweeps = 2000;
    const QByteArray stream = makeStream(sweeps);
    const int tokens = sweeps * 33;
    benchFigures::print("stream parser tokens per second (1024-byte chunks)", tokensPerSecond(stream, tokens, 1024),
                        "tokens/s", "%.0f");
    benchFigures::print("stream parser tokens per second (16-byte chunks)", tokensPerSecond(stream, tokens, 16),
                        "tokens/s", "%.0f");
    return 0;
}
