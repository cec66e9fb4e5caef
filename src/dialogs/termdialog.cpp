#include "termdialog.h"

#include "documents.h"

#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>

TermDialog::TermDialog(const QString& path, QWidget* parent) : QDialog(parent), documentPath_(path)
{
    setWindowTitle(tr("オルヴェイン Free"));
    setFixedSize(600, 600);

    documentTitle_ = QFileInfo(documentPath_).baseName();

    titleLabel = new QLabel(documentTitle_, this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setStyleSheet(QStringLiteral("QLabel{font-size:24px;}"));
    titleLabel->setFixedSize(580, 30);
    titleLabel->move(10, 10);
    titleLabel->setAlignment(Qt::AlignCenter);

    const dialogs::DocumentText document = dialogs::readDocumentText(documentPath_);
    QString text = document.text;
    if (document.truncated) {
        text += tr("\n\n（ファイルが大きすぎるため、先頭の%1 MiBだけを表示しています。）")
                    .arg(dialogs::MaxDocumentBytes / (1024 * 1024));
    }

    textView = new QPlainTextEdit(this);
    textView->setObjectName(QStringLiteral("textView"));
    textView->setFixedSize(580, 550);
    textView->move(10, 40);
    textView->setReadOnly(true);
    textView->setCursorWidth(0);
    textView->setPlainText(text);
}

TermDialog::~TermDialog() = default;
