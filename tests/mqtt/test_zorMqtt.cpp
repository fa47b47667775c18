// Publishing to a real mosquitto broker started by the suite: the readings of a simulated
// instrument across a broker restart under QoS 1, its retained state, the last will, and
// settings that cannot work.
#include "mqtt/zorMqttFeed.h"
#include "mqtt/zorMqttPublisher.h"
#include "tests/mqtt/mosquittoBroker.h"
#include "tests/registry/simulatedRegistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {
const char prefix[] = "lab";

zorMqttSettings settingsFor(quint16 port)
{
    zorMqttSettings s;
    s.enabled = true;
    s.host = "127.0.0.1";
    s.port = port;
    s.prefix = prefix;
    s.clientId = "zor-test";
    return s;
}

// Cuts the process's connections to the port without an MQTT goodbye, as a pulled
// network cable or a killed program would.
void cutConnections(quint16 port)
{
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) == 0 && peer.sin_family == AF_INET
            && ntohs(peer.sin_port) == port)
            ::shutdown(fd, SHUT_RDWR);
    }
}

QStringList messageLog;
QtMessageHandler chained = nullptr;
} // namespace

class test_zorMqtt : public QObject
{
    Q_OBJECT

private:
    // The reading messages among a subscriber's lines as "topic value unit", broker
    // redeliveries (the same message id and payload again) left out; each payload's
    // time and error fields are checked on the way.
    static QStringList readings(const QStringList &lines)
    {
        static const QRegularExpression iso("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$");
        QStringList result;
        QSet<QString> seen;
        for (const QString &line : lines) {
            const QStringList f = line.split(' ');
            if (f.size() < 4 || !f[2].contains("/ch") || seen.contains(f[1] + f[3]))
                continue;
            seen << f[1] + f[3];
            const QJsonObject o = QJsonDocument::fromJson(f.mid(3).join(' ').toUtf8()).object();
            if (!iso.match(o["t"].toString()).hasMatch() || !o["err"].isNull() || o.size() != 4)
                return {"bad payload: " + line};
            result << QString("%1 %2 %3").arg(f[2]).arg(o["v"].toDouble(), 0, 'g', 12).arg(o["u"].toString());
        }
        return result;
    }

private slots:
    void brokerRestartLosesAndRepeatsNothing()
    {
        mosquittoBroker broker;
        QVERIFY(broker.start());
        broker.subscribe("sub", QString(prefix) + "/+/+");
        // The registry with one simulated instrument, published; the readings it reported,
        // as topic and payload fields, in order.
        QStringList expected;
        simulatedRegistry reg;
        zorMqttPublisher publisher;
        zorMqttFeed feed(&reg.list, &publisher);
        publisher.setRetryDelays(200, 1000);
        publisher.apply(settingsFor(broker.port()));
        QObject::connect(&reg.list, &zorList::onReadMeas, [&](int index, double v, quint8 ch, const QString &u) {
            const optionsZOR70 *o = reg.image(index);
            if (o->isIdentified())
                expected << QString("%1/%2/ch%3 %4 %5").arg(prefix).arg(o->devNumber).arg(ch + 1).arg(v, 0, 'g', 12).arg(u);
        });
        const int index = reg.connectPort(reg.startSim(4711)->portName());
        reg.readIdentity(index);
        QSignalSpy connection(&publisher, &zorMqttPublisher::connectedChange);
        QTRY_VERIFY_WITH_TIMEOUT(expected.size() >= 20, 20000);
        broker.stop();
        const int beforeRestart = expected.size();
        QTest::qWait(10000);
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(publisher.isConnected(), 20000);
        // A newcomer gets the instrument's state at once, marked retained.
        QProcess late;
        late.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t",
                                     QString(prefix) + "/4711/state", "-C", "1", "-F", "%r %p"});
        QVERIFY(late.waitForFinished(10000));
        const QByteArray line = late.readAllStandardOutput().trimmed();
        QVERIFY2(line.startsWith("1 "), line);
        const QJsonObject state = QJsonDocument::fromJson(line.mid(2)).object();
        QCOMPARE(state["connected"].toBool(), true);
        QCOMPARE(state["channels"].toInt(), reg.image(index)->getChCount());
        QCOMPARE(state["name"].toString(), reg.image(index)->devName);
        QCOMPARE(state["program"].toString(), QString("zor-test"));
        QVERIFY(state.contains("thermostat") && state.contains("type") && state["lastError"].isNull());
        reg.list.setProccesed(index, false, false); // no more readings, so no more expected ones
        QVERIFY(expected.size() > beforeRestart + 100);
        QTRY_COMPARE_WITH_TIMEOUT(readings(broker.lines()).size(), expected.size(), 30000);
        QCOMPARE(readings(broker.lines()), expected);
        QVERIFY(connection.contains({false}));
        // A connection cut without a goodbye: the last will, then the program back online
        // once it has reconnected (only live messages, no retained copies).
        const auto status = [&] { return broker.lines().filter(QRegularExpression("^0 \\d+ lab/program/")); };
        const int before = status().size();
        cutConnections(broker.port());
        QTRY_COMPARE_WITH_TIMEOUT(status().mid(before).replaceInStrings(QRegularExpression("^0 \\d+ "), ""),
                                  (QStringList{"lab/program/zor-test {\"online\":false}", "lab/program/zor-test {\"online\":true}"}),
                                  20000);
    }

    void badSettingsAreToldOnce_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("brokerPort");
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing listens") << "127.0.0.1" << false << "" << false << "" << "соединение отвергнуто";
        QTest::newRow("unknown host") << "no-such-host.invalid" << true << "" << false << "" << "не найден";
        QTest::newRow("wrong password") << "127.0.0.1" << true << "lab:wrong-secret" << false << ""
                                        << "неверное имя пользователя или пароль";
        QTest::newRow("TLS to a plain port") << "127.0.0.1" << true << "" << true << "" << "TLS";
        QTest::newRow("CA file missing") << "127.0.0.1" << true << "" << true << "/nonexistent/ca.pem"
                                         << "не читается";
    }

    void badSettingsAreToldOnce()
    {
        QFETCH(QString, host);
        QFETCH(bool, brokerPort);
        QFETCH(QString, user);
        QFETCH(bool, tls);
        QFETCH(QString, caFile);
        QFETCH(QString, reason);
        mosquittoBroker broker({"lab:right"});
        QVERIFY(broker.start());
        zorMqttSettings s = settingsFor(brokerPort ? broker.port() : mosquittoBroker::freePort());
        s.host = host;
        s.user = user.section(':', 0, 0);
        s.password = user.section(':', 1);
        s.tls = tls;
        s.caFile = caFile;
        messageLog.clear();
        chained = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            messageLog << text;
            chained(type, context, text);
        });
        zorMqttPublisher publisher;
        QSignalSpy told(&publisher, &zorMqttPublisher::problem);
        publisher.setRetryDelays(20, 50);
        publisher.apply(s);
        publisher.publish("lab/1/ch1", "{}", 1, false);
        QTRY_VERIFY_WITH_TIMEOUT(publisher.attempts() >= 4, 20000);
        QCoreApplication::processEvents();
        qInstallMessageHandler(chained);
        QCOMPARE(told.count(), 1);
        const QString text = told.first().first().toString();
        QVERIFY2(text.contains("Публикация MQTT") && text.contains(reason), qPrintable(text));
        // The reading waits for a broker that will take it.
        QCOMPARE(publisher.buffer().waiting(), 1);
        if (!s.password.isEmpty())
            QVERIFY(!messageLog.join('\n').contains(s.password));
    }
};

QTEST_MAIN(test_zorMqtt)
#include "test_zorMqtt.moc"
