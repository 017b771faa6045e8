#include "app/realdialogs.h"

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
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

std::optional<QString> QtFileDialog::choose(const Options &options) {
    QFileDialog dialog(parent_, options.title, options.initialDir, options.filter);
    dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(options.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace tr
