#pragma once

// The bug report dialog of the menu "報告": one text field and "送信", posted to the report form.

#include "reportdialogbase.h"

class ReportDialog final : public ReportDialogBase {
    Q_OBJECT

public:
    explicit ReportDialog(QWidget* parent = nullptr);
    ~ReportDialog() override;
};
