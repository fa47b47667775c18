#include "sim/zorSimBath.h"

#include <cmath>

namespace {

const double setPoints[] = {25.0, 30.0, 27.0, 32.0, 28.0};
const int setPointCount = int(sizeof setPoints / sizeof *setPoints);

// The sensors of the channels, repeating every eight: calibration offset (°C), lag
// behind the bath (s) and noise (in resolution steps).
struct Sensor
{
    double offset;
    double lag;
    double noise;
};
const Sensor sensors[8] = {{0.0, 0.5, 0.2},   {0.012, 1.0, 0.3}, {-0.008, 1.5, 0.3}, {0.021, 2.0, 0.4},
                           {-0.015, 2.5, 0.3}, {0.004, 1.0, 0.2}, {0.030, 3.0, 0.4},  {-0.022, 2.0, 0.3}};

const Sensor &sensorOf(quint8 channel)
{
    return sensors[(channel + 7) % 8];
}

// Pt100 (α = 0.00385) above 0 °C.
double pt100(double celsius)
{
    return 100.0 * (1.0 + 3.9083e-3 * celsius - 5.775e-7 * celsius * celsius);
}

} // namespace

double zorSimBath::setPoint(double seconds)
{
    return setPoints[qMax(0, int(seconds / interval)) % setPointCount];
}

double zorSimBath::temperature(double seconds)
{
    return sensed(0, seconds);
}

bool zorSimBath::thermostat(double seconds)
{
    return std::abs(temperature(seconds) - setPoint(seconds)) < 0.05;
}

bool zorSimBath::channelFails(quint8 channel, double seconds)
{
    return channel == faultyChannel && std::fmod(seconds, faultPeriod) >= faultPeriod - faultLength;
}

bool zorSimBath::value(quint8 channel, quint8 unit, double seconds, double *result)
{
    const double celsius = sensed(channel, seconds) + sensorOf(channel).offset;
    switch (unit) {
    case 0:
        *result = pt100(celsius);
        return true;
    case 3:
        *result = celsius;
        return true;
    case 4:
        *result = celsius + 273.15;
        return true;
    default:
        return false;
    }
}

double zorSimBath::noise(quint8 channel)
{
    return sensorOf(channel).noise;
}

// Each set point is approached from the one before (the ambient at the start), which
// the bath has reached long before the next change. The bath follows its set point
// with the time constant tau; a sensor with lag follows the bath, a second first-order
// stage. Channel 0 is the bath itself.
double zorSimBath::sensed(quint8 channel, double seconds)
{
    const int step = qMax(0, int(seconds / interval));
    const double from = step == 0 ? ambient : setPoints[(step - 1) % setPointCount];
    const double to = setPoints[step % setPointCount];
    const double t = seconds - step * interval;
    const double lag = channel == 0 ? 0.0 : sensorOf(channel).lag;
    // Every sensor lags less than tau.
    const double remaining = (tau * std::exp(-t / tau) - lag * std::exp(-t / lag)) / (tau - lag);
    return to + (from - to) * remaining;
}
