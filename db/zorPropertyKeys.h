#ifndef ZORPROPERTYKEYS_H
#define ZORPROPERTYKEYS_H

#include <QString>

// A stored property: its key, the type of its value and the value meant while none is
// stored. Application properties are read and written through zorSql::getApp/setApp.
template <typename T>
struct zorPropertyKey
{
    const char *key;
    T fallback;
};

// Every key of the property tables, declared once, below every layer that reads one.
// The key strings are those of the users' databases: never change one.
namespace zorPropertyKeys {

// ---- Application properties (app_property) ----

// Connect the instruments found on the free ports at start-up. The template database
// stores it on; a database without it keeps it off.
inline const zorPropertyKey<bool> autoconnect{"autoconnect", false};
// Ask before the main window closes.
inline const zorPropertyKey<bool> exitQuery{"exit_query", false};
// The database id of the device last chosen as the main one; 0: none.
inline const zorPropertyKey<int> mainDevice{"main_device_id", 0};

// Folders the file dialogs start in; empty: the home folder.
inline const zorPropertyKey<QString> saveDir{"savemeas_dir", QString()};
inline const zorPropertyKey<QString> recordDir{"recmeas_dir", QString()};
inline const zorPropertyKey<QString> snapshotDir{"ust_dir", QString()};
inline const zorPropertyKey<QString> featureDir{"feature_dir", QString()};

// Publishing readings to an MQTT broker.
inline const zorPropertyKey<bool> mqttEnabled{"mqtt_enabled", false};
inline const zorPropertyKey<QString> mqttHost{"mqtt_host", QStringLiteral("localhost")};
inline const zorPropertyKey<uint> mqttPort{"mqtt_port", 1883};
inline const zorPropertyKey<bool> mqttTls{"mqtt_tls", false};
// The CA certificates the broker's certificate is checked against.
inline const zorPropertyKey<QString> mqttCaFile{"mqtt_ca_file", QString()};
// Empty: no user name and no password are sent.
inline const zorPropertyKey<QString> mqttUser{"mqtt_user", QString()};
// Base64, only so that the password does not stand in plain sight in a database
// browser; it is no protection against someone who can read the file.
inline const zorPropertyKey<QString> mqttPassword{"mqtt_password", QString()};
inline const zorPropertyKey<QString> mqttPrefix{"mqtt_prefix", QStringLiteral("zor4_70")};
// Of the readings: 0 or 1.
inline const zorPropertyKey<int> mqttQos{"mqtt_qos", 1};

// Alerts when every channel of an instrument is stable: stored 1 when on, absent when off.
inline const zorPropertyKey<bool> stabilitySound{"stability_sound", false};
inline const zorPropertyKey<bool> stabilityNote{"stability_note", false};
// The reference channel of the calibration points, "<device id>:<channel>"; empty: none.
inline const zorPropertyKey<QString> calibrationReference{"calibration_reference", QString()};

// ---- Device properties (device_property) of the plot's view of a device ----
// Absent, the plot keeps its own setting. A device with none of them borrows the main
// device's, found by their prefix.
inline constexpr char plotPrefix[] = "qwt";
inline constexpr char plotMainCh[] = "qwt-ch_main";     // int: the main channel
inline constexpr char plotMeasShow[] = "qwt-meas_show"; // bool: values drawn
inline constexpr char plotAverShow[] = "qwt-aver_show"; // bool: moving averages drawn
// Per channel: plotChKey(ch, one of the suffixes).
inline constexpr char plotScaleX[] = "-dX";   // int: X scale index
inline constexpr char plotScaleY[] = "-dY";   // int: Y scale index
inline constexpr char plotColor[] = "-color"; // QString: "#rrggbb"
inline constexpr char plotModeX[] = "-modeX"; // int: what the X labels show
inline QString plotChKey(int ch, const char *suffix)
{
    return QStringLiteral("qwt_ch_") + QString::number(ch) + QLatin1String(suffix);
}

// ---- Device properties (device_property) of the stability criteria ----
// Stored only where they differ from their defaults. The window, in seconds:
inline constexpr zorPropertyKey<double> stabilityWindow{"stability_window", 600.0};
// Per unit, the prefix followed by the unit: double, the unit's limits, whose defaults
// depend on the unit (zorStabilityCriteria::defaultsFor).
inline constexpr char stabilitySigmaPrefix[] = "stability_sigma:";
inline constexpr char stabilityDriftPrefix[] = "stability_drift:";

} // namespace zorPropertyKeys

#endif // ZORPROPERTYKEYS_H
