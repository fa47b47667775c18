#include "config/passDialog.h"

#include "model/optionsZOR70.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// The dialog open on an instrument whose password is "ab12", as the reference apply
// runs it.
struct fixture
{
    fixture()
    {
        options.password = "ab12";
        dialog.setOptions(&options);
        dialog.show();
    }

    template <typename T>
    T *get(const char *name) { return dialog.findChild<T *>(name); }
    // Key by key, as typed (keyClicks knows Latin-1 keys only).
    void type(const char *name, const QString &text)
    {
        QLineEdit *edit = get<QLineEdit>(name);
        edit->setFocus();
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    bool enabled(const char *name) { return get<QWidget>(name)->isEnabled(); }
    QString status() { return get<QLabel>("statusLabel")->text(); }
    // Unlocks with the instrument's password and opens the new-password frame.
    void newPassword(const QString &first, const QString &second)
    {
        type("passEdit", options.password);
        click("setPassBtn");
        type("nPassEdit1", first);
        type("nPassEdit2", second);
    }

    optionsZOR70 options;
    passDialog dialog;
};

} // namespace

// The password dialog: what unlocks it, which new passwords it takes, and that accepting
// always means sending.
class test_passDialog : public QObject
{
    Q_OBJECT

private slots:
    void unlock_data();
    void unlock();
    void newPassword_data();
    void newPassword();
    void cancelTakesNothing();
    void nextRunStartsOver();
};

void test_passDialog::unlock_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("unlocked");
    QTest::newRow("instrument's password") << "ab12" << true;
    QTest::newRow("master password") << "47302958" << true;
    QTest::newRow("letter case differs") << "AB12" << false;
    QTest::newRow("a prefix") << "ab1" << false;
    QTest::newRow("master cut to 8 characters") << "473029581" << true; // the field takes 8
}

void test_passDialog::unlock()
{
    QFETCH(QString, typed);
    QFETCH(bool, unlocked);
    fixture f;
    f.type("passEdit", typed);
    QCOMPARE(f.enabled("applyBtn"), unlocked);
    QCOMPARE(f.enabled("setPassBtn"), unlocked);

    // Typing on after an unlock locks again and closes the new-password frame.
    f.dialog.setOptions(&f.options);
    f.type("passEdit", "ab12");
    f.click("setPassBtn");
    QVERIFY(!f.get<QFrame>("nPassFrame")->isHidden());
    f.type("passEdit", "x");
    QVERIFY(!f.enabled("applyBtn"));
    QVERIFY(f.get<QFrame>("nPassFrame")->isHidden());
}

void test_passDialog::newPassword_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("password"); // the instrument's after accepting

    const QString kept = "ab12";
    QTest::newRow("4 characters") << "wxyz" << "wxyz" << "" << "wxyz";
    QTest::newRow("Cyrillic") << "пароль" << "пароль" << "" << "пароль";
    QTest::newRow("3 characters") << "abc" << "abc" << "Пароль слишком короткий" << kept;
    QTest::newRow("mismatch") << "wxyz" << "wxyZ" << "Пароли не совпадают" << kept;
    QTest::newRow("second empty") << "wxyz" << "" << "" << kept;
    QTest::newRow("not in Windows-1251") << "ab✓d" << "ab✓d" << "Недопустимые символы в пароле" << kept;
    QTest::newRow("leading blank") << " abcd" << " abcd" << "Недопустимые символы в пароле" << kept;
}

void test_passDialog::newPassword()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, status);
    QFETCH(QString, password);
    fixture f;
    f.newPassword(first, second);
    QCOMPARE(f.status(), status);
    QVERIFY(f.enabled("applyBtn")); // the references go out whatever the new password
    f.click("applyBtn");
    QCOMPARE(f.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(f.options.password, password);
    // The old password no longer unlocks once a new one was taken, the new one does.
    f.dialog.setOptions(&f.options);
    f.type("passEdit", password);
    QVERIFY(f.enabled("applyBtn"));
}

void test_passDialog::cancelTakesNothing()
{
    fixture f;
    f.newPassword("wxyz", "wxyz");
    f.click("closeBtn");
    QCOMPARE(f.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(f.options.password, QString("ab12"));
}

// One dialog serves every instrument: what was typed for one run, and the frame it was
// typed in, are gone at the next, so another instrument never gets that password.
void test_passDialog::nextRunStartsOver()
{
    fixture f;
    f.newPassword("wxyz", "wxyz");
    f.click("closeBtn");

    optionsZOR70 other;
    other.password = "cd34";
    f.dialog.setOptions(&other);
    f.dialog.show();
    for (const char *name : {"passEdit", "nPassEdit1", "nPassEdit2"})
        QVERIFY(f.get<QLineEdit>(name)->text().isEmpty());
    QVERIFY(f.get<QFrame>("nPassFrame")->isHidden());
    QVERIFY(!f.enabled("applyBtn"));
    f.type("passEdit", "cd34");
    f.click("applyBtn");
    QCOMPARE(other.password, QString("cd34"));

    // Fields typed, then hidden by a wrong password, are not taken either.
    f.dialog.setOptions(&other);
    f.newPassword("wxyz", "wxyz");
    f.get<QLineEdit>("passEdit")->clear();
    f.type("passEdit", "47302958");
    f.click("applyBtn");
    QCOMPARE(other.password, QString("cd34"));
}

QTEST_MAIN(test_passDialog)
#include "test_passDialog.moc"
