#include "sim/zorSimStream.h"

#include <cmath>

namespace {

// Typical values per unit: Ω, mV, mA, °C, K, %, Pa, kPa, MPa, bar.
const double typical[10] = {100.0, 2.5, 12.0, 21.5, 294.65, 45.0, 101325.0, 101.325, 0.101325, 1.01325};

} // namespace

zorSimStream::zorSimStream(quint32 seed)
    : random(seed)
{
}

double zorSimStream::value(quint8 channel, quint8 unit, double seconds)
{
    const double base = typical[unit < 10 ? unit : 0];
    const double drift = 0.002 * std::sin(2 * M_PI * seconds / (600.0 + 37.0 * channel) + channel);
    return base * (1.0 + 0.003 * (channel - 1) + drift + 0.00005 * noise());
}

QByteArray zorSimStream::reading(quint8 channel, double value, quint8 decimals, quint8 unit)
{
    return QByteArray::number(channel) + ':' + QByteArray::number(value, 'f', decimals) + char('A' + unit) + ' ';
}

QByteArray zorSimStream::errorReading(quint8 channel, quint8 code)
{
    return QByteArray::number(channel) + ':' + QByteArray::number(errorMarker) + ".0" + char('0' + code) + ' ';
}

QByteArray zorSimStream::status(quint8 code, bool thermostat, quint8 changeFlags)
{
    // Field bytes are never a blank, "#" or ":": the flags use only bits 0..3.
    QByteArray token = QByteArray::number(code == 0 ? 0 : code + 48);
    token += '#';
    token += char(thermostat ? 1 : 0);
    token += '#';
    token += char(changeFlags & 0x0F);
    token += "# ";
    return token;
}

double zorSimStream::noise()
{
    // Box-Muller: a standard normal deviate.
    const double u = 1.0 - random.generateDouble();
    const double v = random.generateDouble();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2 * M_PI * v);
}
