#ifndef PASSDIALOG_H
#define PASSDIALOG_H

#include <QDialog>

namespace Ui {
class passDialog;
}

class optionsZOR70;

// Guards the sending of an instrument's references: "Загрузить" unlocks only for the
// instrument's own password or the master password, and accepting means that the
// references are to be sent. It also lets the user give the instrument a new password,
// which reaches the instrument inside the reference block. Never shows an error box: a
// wrong password keeps the buttons disabled, an unusable new password is refused in
// the status line and the old one stays in force.
class passDialog : public QDialog
{
    Q_OBJECT

public:
    // A password is 4 to 8 characters (8 bytes in the reference block).
    static constexpr int minLength = 4;
    static constexpr int maxLength = 8;

    explicit passDialog(QWidget *parent = nullptr);
    ~passDialog() override;

    // The image of the instrument whose references are to be sent, not owned; null for
    // none. Starts the dialog over: every field empty, both buttons disabled and the
    // new-password frame hidden, so that nothing typed for another run is taken.
    void setOptions(optionsZOR70 *options);

    // Whether text can be stored as the instrument's password and typed back: its length,
    // characters Windows-1251 can carry, no blanks at its ends (the instrument's text is
    // read back trimmed).
    static bool isValidPassword(const QString &text);

private slots:
    void on_passEdit_textChanged(const QString &text);
    void on_setPassBtn_clicked();
    void on_nPassEdit1_textChanged(const QString &text);
    void on_nPassEdit2_textChanged(const QString &text);
    void on_applyBtn_clicked();
    void on_closeBtn_clicked();

private:
    // The status line for the two new-password fields as they are now.
    void updStatus();

    Ui::passDialog *ui;
    optionsZOR70 *options = nullptr;
};

#endif // PASSDIALOG_H
