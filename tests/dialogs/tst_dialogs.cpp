// The dialogs of the menu その他. Report dialogs against a local HTTP responder: when there is something to send, the
// exact form body, success and failure rules, the deadline, and the refusal of unencrypted addresses. The document
// viewer and the reading of the documents: heading, line ends, broken UTF-8, missing files and the size cap.

#include "httpresponder.h"
#include "testsupport.h"

#include "dialogs/documents.h"
#include "dialogs/formurls.h"
#include "dialogs/reportdialog.h"
#include "dialogs/reportdialog2.h"
#include "dialogs/termdialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

using namespace std::chrono_literals;

namespace {
const QByteArray Program = "entry.793209462=%E3%82%AA%E3%83%AB%E3%83%B4%E3%82%A7%E3%82%A4%E3%83%B3";
const QByteArray BugKind =
    "entry.1326656262=%E3%82%BD%E3%83%95%E3%83%88%E3%81%8B%E3%82%89%E3%81%AE%E3%83%90%E3%82%B0%E5%A0%B1%E5%91%8A";
const QByteArray IdeaKind = "entry.1326656262=%E3%82%BD%E3%83%95%E3%83%88%E3%81%8B%E3%82%89%E3%81%AE%E6%94%B9%E5%96%84%"
                            "E6%A1%88%E5%A0%B1%E5%91%8A";
} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(responder.listen()); }

    void init()
    {
        responder.requests.clear();
        ReportDialogBase::setEndpoint(responder.url(QStringLiteral("/form")));
        ReportDialogBase::setTransferTimeout(30s);
    }

    // "送信" shows only for a text with more than blanks, which are trimmed from its ends, and posts the exact form.
    // Any 2xx answer (after redirects) closes the dialog with thanks; any failure, a server silent past the deadline
    // too, keeps the dialog and the text for another try, which sends the same body.
    void send_data()
    {
        QTest::addColumn<bool>("suggestion");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("body"); // empty: nothing to send
        QTest::addColumn<CannedResponse>("response");
        QTest::addColumn<bool>("refused");
        const CannedResponse ok{200, {}, false};
        QTest::newRow("blanks, line breaks, ideographic space")
            << false << QStringLiteral(" \n\t\u3000\n ") << QByteArray() << ok << false;
        QTest::newRow("japanese")
            << false << QStringLiteral("日本語の報告です。")
            << Program +
                   "&entry.1751682220=%E6%97%A5%E6%9C%AC%E8%AA%9E%E3%81%AE%E5%A0%B1%E5%91%8A%E3%81%A7%"
                   "E3%81%99%E3%80%82&" +
                   BugKind
            << ok << false;
        QTest::newRow("trimmed, inner blanks kept; redirected to a page that answers 200")
            << false << QStringLiteral(" \n hello  world\nline 2 \t\n")
            << Program + "&entry.1751682220=hello%20%20world%0Aline%202&" + BugKind
            << CannedResponse{302, "/thanks", false} << false;
        QTest::newRow("form delimiters in text; 500")
            << false << QStringLiteral("  1+1=2 & 50% #1  ")
            << Program + "&entry.1751682220=1%2B1%3D2%20%26%2050%25%20%231&" + BugKind << CannedResponse{500, {}, false}
            << false;
        QTest::newRow("suggestion; connection refused")
            << true << QStringLiteral("a") << Program + "&entry.1751682220=a&" + IdeaKind << ok << true;
        QTest::newRow("silent server") << false << QStringLiteral("b") << Program + "&entry.1751682220=b&" + BugKind
                                       << CannedResponse{200, {}, true} << false;
    }
    void send()
    {
        QFETCH(bool, suggestion);
        QFETCH(QString, text);
        QFETCH(QByteArray, body);
        QFETCH(CannedResponse, response);
        QFETCH(bool, refused);
        const bool success = !refused && !response.silent && response.status < 400;
        if (refused) {
            // A port that was just free and has nobody listening refuses the connection.
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            const quint16 port = closed.serverPort();
            closed.close();
            ReportDialogBase::setEndpoint(QUrl(QStringLiteral("http://127.0.0.1:%1/form").arg(port)));
        }
        if (response.silent)
            ReportDialogBase::setTransferTimeout(400ms);
        responder.respond("/form", response);
        responder.respond("/thanks", {200, {}, false});
        std::unique_ptr<ReportDialogBase> dialog;
        if (suggestion)
            dialog = std::make_unique<ReportDialog2>();
        else
            dialog = std::make_unique<ReportDialog>();
        dialog->show();
        QVERIFY(!sendButton(*dialog)->isVisible());
        testsupport::BoxAnswerer catcher;
        const testsupport::LogCatcher log;
        typeAndSend(*dialog, text, catcher);
        // The text may be private: no log holds it, at the default logging rules.
        QVERIFY(body.isEmpty() || !log.holds(QString::fromLatin1(body)));
        if (body.isEmpty()) {
            QVERIFY(responder.requests.isEmpty());
            return;
        }
        QCOMPARE(catcher.seen.size(), 1);
        if (!success) {
            QCOMPARE(catcher.seen[0].title, QStringLiteral("送信エラー"));
            if (response.silent)
                QVERIFY2(catcher.seen[0].text.contains(QStringLiteral("応答がなかった")),
                         qPrintable(catcher.seen[0].text));
            QVERIFY(dialog->isVisible());
            auto* edit = dialog->findChild<QTextEdit*>(QStringLiteral("sentenceEdit"));
            QTRY_VERIFY(edit->isEnabled());
            QCOMPARE(edit->toPlainText(), text);
            ReportDialogBase::setEndpoint(responder.url(QStringLiteral("/form")));
            ReportDialogBase::setTransferTimeout(30s);
            responder.respond("/form", {200, {}, false});
            sendButton(*dialog)->click();
            QTRY_COMPARE_WITH_TIMEOUT(catcher.seen.size(), 2, 20000);
            QCOMPARE(responder.requests.last().body, body);
        }
        QCOMPARE(catcher.seen.last().title, QStringLiteral("送信完了"));
        QTRY_VERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        const RecordedRequest& request = responder.requests.constFirst();
        QCOMPARE(request.method + request.path, QByteArray("POST/form"));
        QCOMPARE(request.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(request.body, body);
    }

    void permittedUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("permitted");
        QTest::newRow("https") << QStringLiteral("https://docs.google.com/forms/d/e/x/formResponse") << true;
        QTest::newRow("http remote") << QStringLiteral("http://docs.google.com/forms/d/e/x/formResponse") << false;
        QTest::newRow("http 127.0.0.1") << QStringLiteral("http://127.0.0.1:8080/form") << true;
        QTest::newRow("loopback look-alike") << QStringLiteral("http://127.0.0.1.example.com/form") << false;
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << false;
    }
    void permittedUrls()
    {
        QFETCH(QString, url);
        QFETCH(bool, permitted);
        QCOMPARE(dialogs::isPermittedFormUrl(QUrl(url, QUrl::TolerantMode)), permitted);
    }

    void readsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("truncated");
        const qint64 max = dialogs::MaxDocumentBytes;
        QTest::newRow("windows line ends") << QByteArray("一行目\r\n二行目\r\n\r\n四行目\r\n") << max
                                           << QStringLiteral("一行目\n二行目\n\n四行目\n") << false;
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xEF\xBB\xBFterms") << max << QStringLiteral("terms") << false;
        QTest::newRow("invalid byte") << QByteArray("a\xFF"
                                                    "b")
                                      << max << QStringLiteral("a\uFFFDb") << false;
        QTest::newRow("truncated last character")
            << QByteArray("ok\xE6\x97") << max << QStringLiteral("ok\uFFFD\uFFFD") << false;
        // "あ" is three bytes; a cap of 4 bytes falls inside the second one.
        QTest::newRow("cap never splits a character")
            << QByteArray("\xE3\x81\x82\xE3\x81\x82") << qint64(4) << QStringLiteral("あ") << true;
    }
    void readsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, cap);
        const dialogs::DocumentText document = dialogs::readDocumentText(writeFile("doc.txt", bytes), cap);
        QTEST(document.text, "text");
        QTEST(document.truncated, "truncated");
    }

    // A document that cannot be read gives an empty view under the heading of its name.
    void unreadableGivesEmptyView()
    {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.txt")));
        for (const QString& name : {QStringLiteral("licenses/ない文書.txt"), QStringLiteral("folder.txt")}) {
            TermDialog dialog(dir.filePath(name));
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), QFileInfo(name).baseName());
            QVERIFY(dialog.findChild<QPlainTextEdit*>(QStringLiteral("textView"))->toPlainText().isEmpty());
        }
    }

    void capsHugeFile()
    {
        // Lines of 100 bytes, one more megabyte than the cap.
        const QByteArray line = QByteArray(99, 'x') + '\n';
        QByteArray bytes;
        while (bytes.size() < dialogs::MaxDocumentBytes + 1024 * 1024)
            bytes += line;
        TermDialog dialog(writeFile("huge.txt", bytes));
        const QString shown = dialog.findChild<QPlainTextEdit*>(QStringLiteral("textView"))->toPlainText();
        QVERIFY(shown.size() < dialogs::MaxDocumentBytes + 200);
        QVERIFY2(shown.endsWith(QStringLiteral("だけを表示しています。）")), qPrintable(shown.right(80)));
    }

private:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        return written ? file.fileName() : QString();
    }

    static QPushButton* sendButton(const ReportDialogBase& dialog)
    {
        return dialog.findChild<QPushButton*>(QStringLiteral("sendButton"));
    }

    // Types the text; when "送信" shows, presses it, sees the text locked while the request is in flight, and waits
    // until a box with buttons has been answered.
    void typeAndSend(ReportDialogBase& dialog, const QString& text, testsupport::BoxAnswerer& catcher)
    {
        auto* edit = dialog.findChild<QTextEdit*>(QStringLiteral("sentenceEdit"));
        edit->setPlainText(text);
        if (!sendButton(dialog)->isVisible())
            return;
        const qsizetype before = catcher.seen.size();
        sendButton(dialog)->click();
        QVERIFY(!edit->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(catcher.seen.size() > before, 20000);
    }

    HttpResponder responder;
    QTemporaryDir dir;
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
