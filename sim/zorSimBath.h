#ifndef ZORSIMBATH_H
#define ZORSIMBATH_H

#include <QtGlobal>

// The demo instrument's world: a stirred bath whose thermostat moves it between set
// points, the bath approaching each one exponentially, and the instrument's channels
// as sensors immersed in it, each with its own offset, lag and noise. One channel has
// a loose contact and now and then reads an open circuit. Everything is a function of
// the time alone, so that hours of it can be followed at once; the noise is the
// stream's.
class zorSimBath
{
public:
    static constexpr double ambient = 21.5;    // °C at the start
    static constexpr double interval = 150.0;  // s at each set point
    static constexpr double tau = 5.0;         // s, the bath's approach to a set point
    // The channel with the loose contact, the error it reads, and when.
    static constexpr quint8 faultyChannel = 5;
    static constexpr quint8 faultCode = 13;    // open current circuit
    static constexpr double faultPeriod = 90.0;
    static constexpr double faultLength = 15.0;

    static double setPoint(double seconds);
    // The bath's temperature, °C.
    static double temperature(double seconds);
    // The thermostat is on while it holds the bath at its set point.
    static bool thermostat(double seconds);
    static bool channelFails(quint8 channel, double seconds);

    // What the sensor of channel (1-based) reads in unit 0..9, without noise: Ω of a
    // Pt100, °C and K; false for the other units.
    static bool value(quint8 channel, quint8 unit, double seconds, double *result);
    // The sensor's noise, in resolution steps (standard deviation).
    static double noise(quint8 channel);

private:
    // The sensor's temperature: the bath seen through the sensor's own lag.
    static double sensed(quint8 channel, double seconds);
};

#endif // ZORSIMBATH_H
