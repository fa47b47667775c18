#ifndef MODALANSWER_H
#define MODALANSWER_H

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Answers the modal windows a test provokes, so that none is left blocking: while it
// lives it looks every few milliseconds for a modal window and hands it to the answer
// (by default: the message box's first button, a dialog's reject()), writing down the
// title and text of every message box. Progress dialogs are left to the test.
class modalAnswer : public QObject
{
    Q_OBJECT

public:
    using answerFn = std::function<void(QWidget *)>;
    explicit modalAnswer(answerFn answer = answerFn());

    // "title: text" of every message box answered, in order.
    QStringList seen;

private:
    void look();

    answerFn answer;
    QTimer timer;
};

#endif // MODALANSWER_H
