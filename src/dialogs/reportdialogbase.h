#pragma once

// The common body of the two report dialogs: one text field and a send button that posts the text, with the program's
// name and the kind of report, to the form response endpoint as an HTML form submission. `ReportDialog` (bug report)
// and `ReportDialog2` (improvement suggestion) differ only in the three texts passed to the constructor.

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>

class QLabel;
class QMessageBox;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QTextEdit;

class ReportDialogBase : public QDialog {
    Q_OBJECT

public:
    struct Texts {
        QString windowTitle; // "バグ報告"
        QString caption;     // "バグ:"
        QString kindValue;   // value of the kind field, "ソフトからのバグ報告"
    };

    // The form keys and the program field value, shared by both dialogs.
    static const QString programFieldKey;
    static const QString textFieldKey;
    static const QString kindFieldKey;
    static const QString programFieldValue;

    // The address every dialog posts to; starts as the address chosen at build time. Tests point it at a local server.
    static QUrl endpoint();
    static void setEndpoint(const QUrl& url);

    // How long one send may take before it is abandoned and reported as failed; 30 seconds unless a test sets less.
    static std::chrono::milliseconds transferTimeout();
    static void setTransferTimeout(std::chrono::milliseconds timeout);

    // The form body for a text that is already trimmed: program, text and kind fields in this order, each value UTF-8
    // and percent-encoded, so that "+", "&" and "=" typed by the user reach the form unchanged.
    static QByteArray formBody(const QString& text, const QString& kindValue);

    ~ReportDialogBase() override;

protected:
    ReportDialogBase(const Texts& texts, QWidget* parent);

private Q_SLOTS:
    void send();
    void changeSentence();

private:
    void onReplyFinished(QNetworkReply* reply, QNetworkAccessManager* manager, QPointer<QMessageBox> progressBox);
    void setEditable(bool editable);
    void showFailure(const QString& reason);

    QString kindValue_;
    QLabel* captionLabel = nullptr;
    QTextEdit* sentenceEdit = nullptr;
    QPushButton* sendButton = nullptr;
};
