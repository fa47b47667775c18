#include "config/tpReperUI.h"

#include "model/tpReper.h"
#include "tests/config/modalAnswer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

void type(tpReperUI &dialog, const QStringList &texts)
{
    const char *names[] = {"lineEdit", "lineEdit_2", "lineEdit_3"};
    for (int i = 0; i < 3; ++i) {
        QLineEdit *edit = dialog.findChild<QLineEdit *>(names[i]);
        edit->clear();
        QTest::keyClicks(edit, texts.at(i));
    }
}

QPushButton *apply(tpReperUI &dialog)
{
    return dialog.findChild<QPushButton *>("pushButton_2");
}

} // namespace

// The fixed-point recalculation dialog: what it takes, what it shows, what it hands back.
class test_tpReperUI : public QObject
{
    Q_OBJECT

private slots:
    void enabling_data();
    void enabling();
    void keyShown_data();
    void keyShown();
    void recalculates();
    void outsideTablesStaysOpen();
    void cancelKeepsList();
};

void test_tpReperUI::enabling_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("commas") << QStringList{"0,5", "5,86", "10,575"} << true;
    QTest::newRow("points") << QStringList{"0.5", "5.86", "10.575"} << true;
    QTest::newRow("blanks around") << QStringList{" 3.44 ", "5.86", "10.575"} << true;
    QTest::newRow("a zero") << QStringList{"3.44", "0", "10.575"} << false;
    QTest::newRow("an empty field") << QStringList{"3.44", "5.86", ""} << false;
    QTest::newRow("a lone minus") << QStringList{"-", "5.86", "10.575"} << false;
    QTest::newRow("negative") << QStringList{"3.44", "-5.86", "10.575"} << false;
    QTest::newRow("not a number") << QStringList{"3.44", "5.86", "1O.575"} << false;
}

void test_tpReperUI::enabling()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, enabled);
    QStringList output;
    tpReperUI dialog(&output);
    QVERIFY(!apply(dialog)->isEnabled());
    type(dialog, texts);
    QCOMPARE(apply(dialog)->isEnabled(), enabled);
}

void test_tpReperUI::keyShown_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty: the range") << "" << "допустимо 3.435…3.458 мВ";
    QTest::newRow("between keys") << "3,4374" << "по ключу 3.437 мВ";
    QTest::newRow("nearer the next") << "3.4376" << "по ключу 3.438 мВ";
    QTest::newRow("outside") << "3.5" << "вне таблицы 3.435…3.458 мВ";
    QTest::newRow("not a number") << "3.4x" << "не число";
}

void test_tpReperUI::keyShown()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QStringList output;
    tpReperUI dialog(&output);
    type(dialog, {text, "", ""});
    QCOMPARE(dialog.findChild<QLabel *>("keyLabel")->text(), shown);
}

void test_tpReperUI::recalculates()
{
    QStringList output{"old"};
    tpReperUI dialog(&output);
    dialog.show();
    type(dialog, {"3,4469", "5.8601", "10.5748"});
    QTest::mouseClick(apply(dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const float p[3] = {3.4469f, 5.8601f, 10.5748f};
    QMap<quint16, float> table;
    QVERIFY(tpReper::getEDSTable(p, table));
    QStringList expected;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        expected << QString::number(it.key()) << QString::number(it.value(), 'f', 4);
    QCOMPARE(output, expected);
    QCOMPARE(output.size(), 20);
    QCOMPARE(output.first(), QString("300"));
    QCOMPARE(output.at(18), QString("1200"));
    // The type S thermocouple the keys were taken from: 11.951 mV at 1200 °C.
    QVERIFY(qAbs(output.last().toDouble() - 11.951) < 0.0005);
}

void test_tpReperUI::outsideTablesStaysOpen()
{
    QStringList output{"old"};
    tpReperUI dialog(&output);
    dialog.show();
    type(dialog, {"0.5", "0.5", "0.5"});
    QVERIFY(apply(dialog)->isEnabled());
    QString seen;
    modalAnswer::messageBox(&seen);
    QTest::mouseClick(apply(dialog), Qt::LeftButton);
    QVERIFY(seen.startsWith("Пересчёт таблицы ТП по реперным точкам|ТЭДС вне таблиц"));
    QVERIFY(dialog.isVisible());
    QCOMPARE(output, QStringList{"old"});
}

void test_tpReperUI::cancelKeepsList()
{
    QStringList output{"old"};
    tpReperUI dialog(&output);
    dialog.show();
    type(dialog, {"3.44", "5.86", "10.575"});
    QTest::mouseClick(dialog.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(output, QStringList{"old"});
}

QTEST_MAIN(test_tpReperUI)
#include "test_tpReperUI.moc"
