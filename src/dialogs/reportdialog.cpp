#include "reportdialog.h"

ReportDialog::ReportDialog(QWidget* parent)
    : ReportDialogBase({tr("バグ報告"), tr("バグ:"), QStringLiteral("ソフトからのバグ報告")}, parent)
{
}

ReportDialog::~ReportDialog() = default;
