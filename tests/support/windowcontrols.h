#pragma once

// The controls of the real window, found by their object names as an operator's tool (or a
// screen reader) would find them; the window keeps its Designer form to itself.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <array>

namespace tr::test {

template <typename W> W *control(const QWidget &root, const QString &name) {
    W *w = root.findChild<W *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

struct WindowControls {
    explicit WindowControls(const QWidget &w) : root(w) {}
    const QWidget &root;
#define TR_CONTROL(type, name) type *name = control<type>(root, QStringLiteral(#name))
    TR_CONTROL(QLineEdit, txtStationID);
    TR_CONTROL(QLineEdit, txtFunID);
    TR_CONTROL(QLineEdit, txtStartID);
    TR_CONTROL(QLineEdit, txtDataLength);
    TR_CONTROL(QLabel, lblCounter);
    TR_CONTROL(QLineEdit, txtOutPut);
    TR_CONTROL(QLineEdit, txtFilePath);
    TR_CONTROL(QLineEdit, txtTimerSet_0);
    TR_CONTROL(QLineEdit, txtTimerSet_1);
    TR_CONTROL(QCheckBox, CheckSave);
    TR_CONTROL(QLineEdit, txtCommand);
    TR_CONTROL(QPlainTextEdit, txtState);
#undef TR_CONTROL
    std::array<QLineEdit *, 8> txtValue = [this] {
        std::array<QLineEdit *, 8> boxes{};
        for (std::size_t k = 0; k < boxes.size(); ++k)
            boxes[k] = control<QLineEdit>(root, QStringLiteral("txtValue_%1").arg(k));
        return boxes;
    }();
};

} // namespace tr::test
