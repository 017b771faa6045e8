#pragma once

#include "monitor/linehint.h"

#include <QLabel>
#include <vector>

namespace tr {

// One line on the "通信" tab naming the likely cause of a failing line and what to try next.
// Hidden while there is nothing to say.
class LineHintLabel : public QLabel {
    Q_OBJECT
public:
    explicit LineHintLabel(QWidget *parent = nullptr);

    LineHint hint() const { return hint_; }

    // A request concluded; `exceptionCode` with an exception answer.
    void concluded(AnswerStatus status, int exceptionCode);
    // Why the port did not open, empty once it is open (as the lamp's tool tip says it).
    void setPortFailure(const QString &reason);
    // Requests made meanwhile (a scan of other stations) say nothing about the chosen module.
    void forget();

    static QString hintText(LineHint hint, const QString &portReason, int exceptionCode);

private:
    void update();

    std::vector<JudgedRequest> recent_;
    QString portReason_;
    LineHint hint_ = LineHint::None;
};

} // namespace tr
