#include "runreportdialog.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// Reports are small; a file far larger than any run writes is not one of ours.
constexpr qint64 MaxReportSize = qint64(64) * 1024 * 1024;

QString outcomeText(const QString& outcome)
{
    if (outcome == QLatin1String("finished"))
        return RunReportDialog::tr("最後まで実行しました");
    if (outcome == QLatin1String("stopped"))
        return RunReportDialog::tr("停止しました");
    if (outcome == QLatin1String("not_delivered"))
        return RunReportDialog::tr("入力を送れなかったため中止しました");
    return outcome;
}

} // namespace

RunReportDialog::RunReportDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("前回の実行結果"));
    resize(720, 420);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summary"));
    summary_->setWordWrap(true);
    table_ = new QTableWidget(0, 8, this);
    table_->setObjectName(QStringLiteral("table"));
    table_->setHorizontalHeaderLabels({tr("ページ"), tr("回"), tr("予定 (ms)"), tr("実際 (ms)"), tr("遅れ (ms)"),
                                       tr("操作"), tr("条件"), tr("送信")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(table_);
}

bool RunReportDialog::load(const QString& path)
{
    table_->setRowCount(0);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxReportSize) {
        summary_->setText(tr("実行結果を読み込めませんでした：%1").arg(path));
        return false;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject summary = root.value(QStringLiteral("summary")).toObject();
    if (summary.isEmpty()) {
        summary_->setText(tr("実行結果を読み込めませんでした：%1").arg(path));
        return false;
    }
    QString text = tr("「%1」: %2。%3 ページ、最大の遅れ %4 ms。")
                       .arg(root.value(QStringLiteral("project")).toString(),
                            outcomeText(summary.value(QStringLiteral("outcome")).toString()))
                       .arg(summary.value(QStringLiteral("pages")).toInt())
                       .arg(summary.value(QStringLiteral("longest_lateness_ms")).toDouble(), 0, 'f', 2);
    if (summary.contains(QStringLiteral("failure")))
        text += QLatin1Char('\n') + summary.value(QStringLiteral("failure")).toString();
    summary_->setText(text);

    const QJsonArray pages = root.value(QStringLiteral("pages")).toArray();
    table_->setRowCount(static_cast<int>(pages.size()));
    for (int row = 0; row < pages.size(); ++row) {
        const QJsonObject page = pages.at(row).toObject();
        const auto number = [&page](const char* key) {
            return QString::number(page.value(QLatin1String(key)).toDouble(), 'f', 2);
        };
        const QStringList cells{QString::number(page.value(QStringLiteral("page")).toInt()),
                                QString::number(page.value(QStringLiteral("repetition")).toInt()),
                                number("planned_ms"),
                                number("actual_ms"),
                                number("lateness_ms"),
                                page.value(QStringLiteral("operation")).toString(),
                                page.value(QStringLiteral("condition")).toString(),
                                page.value(QStringLiteral("delivered")).toBool() ? tr("○") : tr("×")};
        for (int column = 0; column < cells.size(); ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    table_->resizeColumnsToContents();
    return true;
}

void showLastRunReport(QWidget* parent, const QString& dir)
{
    const QStringList names =
        QDir(dir).entryList({QStringLiteral("run-*.json")}, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        QMessageBox::information(
            parent, RunReportDialog::tr("前回の実行結果"),
            RunReportDialog::tr("まだ実行結果がありません。実行すると、ここに各ページの時刻が表示されます。"));
        return;
    }
    RunReportDialog dialog(parent);
    dialog.load(QDir(dir).filePath(names.last()));
    dialog.exec();
}
