#include "reportdialog2.h"

ReportDialog2::ReportDialog2(QWidget* parent)
    : ReportDialogBase({tr("改善案報告"), tr("改善案:"), QStringLiteral("ソフトからの改善案報告")}, parent)
{
}

ReportDialog2::~ReportDialog2() = default;
