#include "reportdialog.h"

ReportDialog::ReportDialog(QWidget* parent)
    : ReportDialogBase({QStringLiteral("バグ報告"), QStringLiteral("バグ:"), QStringLiteral("ソフトからのバグ報告")},
                       parent)
{
}

ReportDialog::~ReportDialog() = default;
