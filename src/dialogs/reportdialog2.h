#pragma once

// The improvement suggestion dialog of the menu "報告": one text field and "送信", posted to the report form.

#include "reportdialogbase.h"

class ReportDialog2 final : public ReportDialogBase {
    Q_OBJECT

public:
    explicit ReportDialog2(QWidget* parent = nullptr);
    ~ReportDialog2() override;
};
