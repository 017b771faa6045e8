#pragma once

#include "serial/modulescan.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace tr {

class Link;

// "查找模块" on the "通信" tab: searches the chosen port for modules at the baud rate in the
// baud box or at every rate it offers, lists those that answer, and hands the chosen one's
// station and rate to the window with "使用".
class ModuleFinder : public QGroupBox {
    Q_OBJECT
public:
    // `baudBox` offers the rates; `functionBox` holds the function code of the reads.
    ModuleFinder(Link &link, const QComboBox &baudBox, const QLineEdit &functionBox,
                 QWidget *parent = nullptr);

    const ModuleScan &scan() const { return scan_; }

    void findModules();
    void cancelSearch() { scan_.cancel(); }
    void useChosenModule();

signals:
    // Acquisition pauses while the search has the line and resumes after.
    void lineClaimed();
    void lineReleased();
    void moduleChosen(int station, int baud);

private:
    void addFound(const FoundModule &module);
    void scanFinished(ModuleScan::End end);
    void showRunning(bool running);

    const QComboBox &baudBox_;
    const QLineEdit &functionBox_;
    ModuleScan scan_;
    QComboBox *scope_ = nullptr;
    QPushButton *find_ = nullptr;
    QPushButton *cancel_ = nullptr;
    QPushButton *use_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QTableWidget *list_ = nullptr;
};

} // namespace tr
