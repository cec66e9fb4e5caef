#include "reportdialogbase.h"

#include "formurls.h"

#include <QDebug>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTextEdit>

namespace {
Q_LOGGING_CATEGORY(lcReport, "orvane.report", QtWarningMsg)

QUrl& endpointSetting()
{
    static QUrl url = dialogs::reportEndpointUrl();
    return url;
}

std::chrono::milliseconds& timeoutSetting()
{
    static std::chrono::milliseconds timeout{30000};
    return timeout;
}
} // namespace

const QString ReportDialogBase::programFieldKey = QStringLiteral("entry.793209462");
const QString ReportDialogBase::textFieldKey = QStringLiteral("entry.1751682220");
const QString ReportDialogBase::kindFieldKey = QStringLiteral("entry.1326656262");
const QString ReportDialogBase::programFieldValue = QStringLiteral("オルヴェイン");

QUrl ReportDialogBase::endpoint()
{
    return endpointSetting();
}

void ReportDialogBase::setEndpoint(const QUrl& url)
{
    endpointSetting() = url;
}

std::chrono::milliseconds ReportDialogBase::transferTimeout()
{
    return timeoutSetting();
}

void ReportDialogBase::setTransferTimeout(std::chrono::milliseconds timeout)
{
    timeoutSetting() = timeout;
}

QByteArray ReportDialogBase::formBody(const QString& text, const QString& kind)
{
    // QUrlQuery would leave a typed "+" as it is, and the form decodes "+" as a blank; encoding every reserved
    // character keeps the text exactly as typed. Plain and Japanese texts come out the same as with QUrlQuery.
    const auto field = [](const QString& key, const QString& value) {
        return QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    };
    return field(programFieldKey, programFieldValue) + '&' + field(textFieldKey, text) + '&' +
           field(kindFieldKey, kind);
}

ReportDialogBase::ReportDialogBase(const Texts& texts, QWidget* parent) : QDialog(parent), kindValue_(texts.kindValue)
{
    setWindowTitle(texts.windowTitle);
    resize(300, 320);

    captionLabel = new QLabel(texts.caption, this);
    captionLabel->setObjectName(QStringLiteral("captionLabel"));
    captionLabel->setFixedSize(280, 24);
    captionLabel->move(10, 0);
    captionLabel->setStyleSheet(QStringLiteral("font-size: 24px;"));

    sentenceEdit = new QTextEdit(this);
    sentenceEdit->setObjectName(QStringLiteral("sentenceEdit"));
    sentenceEdit->setFixedSize(280, 200);
    sentenceEdit->move(10, 40);
    sentenceEdit->setStyleSheet(QStringLiteral("font-size: 24px;"));
    connect(sentenceEdit, &QTextEdit::textChanged, this, &ReportDialogBase::changeSentence);

    sendButton = new QPushButton(tr("送信"), this);
    sendButton->setObjectName(QStringLiteral("sendButton"));
    sendButton->setFixedSize(280, 60);
    sendButton->move(10, 250);
    sendButton->setStyleSheet(QStringLiteral("font-size:30px;"));
    sendButton->hide();
    connect(sendButton, &QPushButton::clicked, this, &ReportDialogBase::send);
}

ReportDialogBase::~ReportDialogBase() = default;

void ReportDialogBase::changeSentence()
{
    sendButton->setVisible(!sentenceEdit->toPlainText().trimmed().isEmpty());
}

void ReportDialogBase::setEditable(bool editable)
{
    sendButton->setEnabled(editable);
    sentenceEdit->setEnabled(editable);
}

void ReportDialogBase::showFailure(const QString& reason)
{
    QMessageBox::critical(this, tr("送信エラー"), tr("フォームの送信に失敗しました:\n%1").arg(reason), QMessageBox::Ok,
                          QMessageBox::NoButton);
}

void ReportDialogBase::send()
{
    const QString text = sentenceEdit->toPlainText().trimmed();
    if (text.isEmpty()) {
        QMessageBox::warning(this, tr("確認"), tr("内容を入力してください。"), QMessageBox::Ok, QMessageBox::NoButton);
        return;
    }

    const QUrl url = endpoint();
    if (!dialogs::isPermittedFormUrl(url)) {
        qCWarning(lcReport) << "Refusing to send a report to" << url.toString();
        showFailure(dialogs::refusedUrlMessage(url));
        return;
    }

    setEditable(false);

    auto* box = new QMessageBox(this);
    box->setWindowTitle(tr("送信中..."));
    box->setText(tr("しばらくお待ちください..."));
    box->setStandardButtons(QMessageBox::NoButton);
    box->setIcon(QMessageBox::Information);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(true);
    box->show();
    const QPointer<QMessageBox> progressBox(box);

    const QByteArray body = formBody(text, kindValue_);
    // The body is the user's own text: only its size is told.
    qCDebug(lcReport) << "Sending" << body.size() << "bytes to" << url.toString();

    auto* manager = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    // Without a deadline a server that accepts the connection and never answers would leave the dialog disabled for
    // good. The body is small, so a transfer that falls silent for this long is one that never answers.
    request.setTransferTimeout(int(transferTimeout().count()));
    QNetworkReply* reply = manager->post(request, body);

    connect(reply, &QNetworkReply::finished, this,
            [this, reply, manager, progressBox] { onReplyFinished(reply, manager, progressBox); });
}

void ReportDialogBase::onReplyFinished(QNetworkReply* reply, QNetworkAccessManager* manager,
                                       QPointer<QMessageBox> progressBox)
{
    const QNetworkReply::NetworkError error = reply->error();
    const QString errorString = reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An aborted reply is closed and cannot be read.
    const QByteArray responseBody = reply->isOpen() ? reply->readAll() : QByteArray();
    // Nothing else here aborts a reply: a cancelled one was ended by the transfer timeout (later Qt names it so).
    const bool timedOut = error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError;

    qCDebug(lcReport) << "HTTP status:" << status;
    qCDebug(lcReport) << "Network error:" << error << errorString;
    qCDebug(lcReport) << "Response:" << responseBody.size() << "bytes";

    reply->deleteLater();
    manager->deleteLater();
    setEditable(true);
    if (progressBox) {
        progressBox->hide();
        progressBox->deleteLater();
    }

    const bool ok = !timedOut && error == QNetworkReply::NoError && (status == 0 || (status >= 200 && status <= 399));
    if (ok) {
        QMessageBox::information(this, tr("送信完了"), tr("レポートを送信しました。\nありがとうございました。"),
                                 QMessageBox::Ok, QMessageBox::NoButton);
        accept();
        return;
    }

    if (timedOut) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(transferTimeout()).count();
        showFailure(tr("%1秒以内にサーバーから応答がなかったため、送信を中止しました。").arg(seconds));
    } else {
        showFailure(errorString);
    }
}
