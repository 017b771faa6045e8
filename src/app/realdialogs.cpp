#include "app/realdialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tr {

void QtMessageBox::show(const QString &text, const QString &caption, Icon icon) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Exclamation:
        qtIcon = QMessageBox::Warning;
        break;
    case Icon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case Icon::Critical:
        qtIcon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(qtIcon, caption, text, QMessageBox::Ok, parent_);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("tr::QtMessageBox", "确定"));
    box.exec();
}

bool QtMessageBox::ask(const QString &text, const QString &caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("tr::QtMessageBox", "是"));
    box.button(QMessageBox::No)->setText(QCoreApplication::translate("tr::QtMessageBox", "否"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtFileDialog::choose(const Options &options) {
    QFileDialog dialog(parent_, options.title, options.initialDir, options.filter);
    dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::HideNameFilterDetails, options.hideFilterPatterns);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace tr
