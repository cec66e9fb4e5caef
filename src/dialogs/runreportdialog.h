#pragma once

// 前回の実行結果: the timing report of the last run from the editor, as a table of its pages (planned and actual start,
// lateness, what each page did) under a line that says how the run ended.

#include <QDialog>

class QLabel;
class QTableWidget;

class RunReportDialog final : public QDialog {
    Q_OBJECT

public:
    explicit RunReportDialog(QWidget* parent = nullptr);

    // Reads a report file written by the run; false (and a message in the summary line) when it cannot be read.
    bool load(const QString& path);

private:
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
};

// Shows the newest report in dir, or says that there is none yet.
void showLastRunReport(QWidget* parent, const QString& dir);
