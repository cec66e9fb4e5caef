// The document viewer and the reading of the documents: heading, line ends, broken UTF-8, missing files and the size
// cap.

#include "dialogs/documents.h"
#include "dialogs/termdialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class TestTermDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        const QString path = writeFile("huge.txt", bytes);
        const dialogs::DocumentText document = dialogs::readDocumentText(path);
        QVERIFY(document.truncated);
        QCOMPARE(document.text.size(), dialogs::MaxDocumentBytes);

        TermDialog dialog(path);
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

    QTemporaryDir dir;
};

QTEST_MAIN(TestTermDialog)
#include "tst_termdialog.moc"
