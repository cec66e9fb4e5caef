#pragma once

// Shows one text document (terms of use, a licence notice) with its name as a heading in a fixed-size modal dialog.

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;

class TermDialog final : public QDialog {
    Q_OBJECT

public:
    explicit TermDialog(const QString& documentPath, QWidget* parent = nullptr);
    ~TermDialog() override;

private:
    QString documentPath_;
    QString documentTitle_;
    QLabel* titleLabel = nullptr;
    QPlainTextEdit* textView = nullptr;
};
