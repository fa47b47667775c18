#ifndef TPREPERUI_H
#define TPREPERUI_H

#include <QDialog>
#include <QStringList>

namespace Ui {
class tpReperUI;
}

class QLabel;
class QLineEdit;

// Asks for a thermocouple's EMF at the fixed points of zinc, aluminium and copper and
// recalculates its EMF table over 300..1200 °C (tpReper) into a list owned by the
// caller: temperature and EMF alternately. Next to each value it shows the table key
// whose curve will be used, since the result is only as fine as that key grid.
class tpReperUI : public QDialog
{
    Q_OBJECT

public:
    explicit tpReperUI(QStringList *output, QWidget *parent = nullptr);
    ~tpReperUI() override;

    // The text trimmed; empty or "-" is 0; a point or a comma as the decimal separator.
    static float str2Float(const QString &text, bool *ok);

private slots:
    void on_lineEdit_textChanged(const QString &text);
    void on_lineEdit_2_textChanged(const QString &text);
    void on_lineEdit_3_textChanged(const QString &text);
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();

private:
    void updUI();
    // The three values, zinc first; false unless each parses and is above 0.
    bool values(float *p) const;

    Ui::tpReperUI *ui;
    QStringList *m_output;
    QLineEdit *m_edits[3];
    QLabel *m_keys[3];
};

#endif // TPREPERUI_H
