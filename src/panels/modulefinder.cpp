#include "panels/modulefinder.h"

#include "modbus/decode.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tr {

namespace {

// The rate a probe uses when the baud box holds no number.
constexpr int kFallbackBaud = 19200;

QString valuesText(const FoundModule &m) {
    if (m.readings.empty())
        return ModuleFinder::tr("异常码 %1").arg(m.exceptionCode, 2, 10, QLatin1Char('0'));
    QStringList values;
    for (const Reading &r : m.readings)
        values << displayText(r);
    return values.join(QStringLiteral("  "));
}

} // namespace

ModuleFinder::ModuleFinder(Link &link, const QComboBox &baudBox, const QLineEdit &functionBox,
                           QWidget *parent)
    : QGroupBox(tr("查找模块"), parent), baudBox_(baudBox), functionBox_(functionBox), scan_(link) {
    setObjectName(QStringLiteral("grpFindModule"));
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("cboFindBauds"));
    scope_->addItems({tr("所选波特率"), tr("所有波特率")});
    find_ = new QPushButton(tr("查找模块"), this);
    find_->setObjectName(QStringLiteral("cmdFindModule"));
    cancel_ = new QPushButton(tr("取消"), this);
    cancel_->setObjectName(QStringLiteral("cmdFindCancel"));
    use_ = new QPushButton(tr("使用"), this);
    use_->setObjectName(QStringLiteral("cmdFindUse"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("prgFindModule"));
    list_ = new QTableWidget(0, 3, this);
    list_->setObjectName(QStringLiteral("lstModules"));
    list_->setHorizontalHeaderLabels({tr("设备地址"), tr("波特率"), tr("前八个数值")});
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setMinimumHeight(3 * list_->verticalHeader()->defaultSectionSize());
    list_->setMaximumHeight(110);

    // The texts are never cut, whatever the language; the progress bar gives way.
    const int margin = 2 * style()->pixelMetric(QStyle::PM_ButtonMargin) + 4;
    for (QPushButton *b : {find_, cancel_, use_})
        b->setMinimumWidth(
            std::max(b->sizeHint().width(), fontMetrics().horizontalAdvance(b->text()) + margin));
    scope_->setMinimumWidth(scope_->sizeHint().width());
    auto *row = new QHBoxLayout;
    row->addWidget(find_);
    row->addWidget(scope_);
    row->addWidget(progress_, 1);
    row->addWidget(cancel_);
    row->addWidget(use_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(list_);
    showRunning(false);

    connect(find_, &QPushButton::clicked, this, &ModuleFinder::findModules);
    connect(cancel_, &QPushButton::clicked, this, &ModuleFinder::cancelSearch);
    connect(use_, &QPushButton::clicked, this, &ModuleFinder::useChosenModule);
    connect(list_, &QTableWidget::itemSelectionChanged, this,
            [this] { showRunning(scan_.running()); });
    connect(list_, &QTableWidget::cellDoubleClicked, this, &ModuleFinder::useChosenModule);
    connect(&scan_, &ModuleScan::progress, this, [this](qsizetype done, qsizetype total) {
        progress_->setMaximum(int(total));
        progress_->setValue(int(done));
    });
    connect(&scan_, &ModuleScan::found, this, &ModuleFinder::addFound);
    connect(&scan_, &ModuleScan::finished, this, &ModuleFinder::scanFinished);
}

void ModuleFinder::findModules() {
    if (scan_.running())
        return;
    QList<int> bauds;
    if (scope_->currentIndex() == 1) {
        for (int i = 0; i < baudBox_.count(); ++i)
            bauds << baudBox_.itemText(i).toInt();
    } else {
        const int chosen = baudBox_.currentText().toInt();
        bauds << (chosen > 0 ? chosen : kFallbackBaud);
    }
    const int function = functionBox_.text().toInt();
    list_->setRowCount(0);
    // The bar says how far the search is and, once it ends, how it ended.
    progress_->setFormat(tr("正在查找，采集已暂停……") + QStringLiteral(" %p%"));
    emit lineClaimed();
    showRunning(true);
    scan_.start(bauds, static_cast<std::uint8_t>(function == 4 ? 4 : 3));
}

void ModuleFinder::useChosenModule() {
    const int row = list_->currentRow();
    if (scan_.running() || row < 0)
        return;
    emit moduleChosen(list_->item(row, 0)->text().toInt(), list_->item(row, 1)->text().toInt());
}

void ModuleFinder::addFound(const FoundModule &module) {
    const int row = list_->rowCount();
    list_->insertRow(row);
    list_->setItem(row, 0, new QTableWidgetItem(QString::number(module.station)));
    list_->setItem(row, 1, new QTableWidgetItem(QString::number(module.baud)));
    list_->setItem(row, 2, new QTableWidgetItem(valuesText(module)));
    if (row == 0)
        list_->selectRow(0);
}

void ModuleFinder::scanFinished(ModuleScan::End end) {
    showRunning(false);
    switch (end) {
    case ModuleScan::End::Done:
        progress_->setFormat(list_->rowCount() > 0
                                 ? tr("找到 %1 个模块：选中一行后按“使用”").arg(list_->rowCount())
                                 : tr("没有找到模块：请检查接线、A/B 线和模块电源"));
        break;
    case ModuleScan::End::Cancelled:
        progress_->setFormat(tr("查找已取消，找到 %1 个模块").arg(list_->rowCount()));
        break;
    case ModuleScan::End::PortClosed:
        progress_->setFormat(tr("串口未打开，无法查找"));
        break;
    }
    emit lineReleased();
}

void ModuleFinder::showRunning(bool running) {
    find_->setEnabled(!running);
    scope_->setEnabled(!running);
    cancel_->setEnabled(running);
    use_->setEnabled(!running && list_->currentRow() >= 0);
}

} // namespace tr
