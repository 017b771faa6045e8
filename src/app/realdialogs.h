#pragma once

#include "panels/seams.h"

class QWidget;

namespace tr {

class QtMessageBox : public MessageBox {
public:
    void setParent(QWidget *parent) { parent_ = parent; }
    void show(const QString &text, const QString &caption, Icon icon) override;
    bool ask(const QString &text, const QString &caption) override;

private:
    QWidget *parent_ = nullptr;
};

class QtFileDialog : public FileDialog {
public:
    void setParent(QWidget *parent) { parent_ = parent; }
    std::optional<QString> choose(const Options &options) override;

private:
    QWidget *parent_ = nullptr;
};

} // namespace tr
