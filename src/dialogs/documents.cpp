#include "documents.h"

#include "bundle/bundledfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace dialogs {

namespace {
Q_LOGGING_CATEGORY(lcDocuments, "orvane.documents", QtWarningMsg)
}

QString documentSuffix(Document document)
{
    switch (document) {
    case Document::TermsOfUse:
        return QStringLiteral("/licenses/利用規約.txt");
    case Document::OpenSourceNotice:
        return QStringLiteral("/licenses/オープンソースソフトウェアに関する告知.txt");
    case Document::QtLibraryInfo:
        return QStringLiteral("/licenses/Qtライブラリの差替え又は再インストールに関する情報.txt");
    case Document::LgplText:
        return QStringLiteral("/licenses/LGPLv3のライセンス文章.txt");
    }
    return {};
}

QString documentPath(Document document)
{
    // Where no copy exists, the path beside the executable still names the document, so the viewer shows its title.
    const QString found = bundle::findBundledFile(documentSuffix(document).mid(1));
    return found.isEmpty() ? QCoreApplication::applicationDirPath() + documentSuffix(document) : found;
}

DocumentText readDocumentText(const QString& path, qint64 maxBytes)
{
    DocumentText result;
    // Only a regular file is read: a FIFO or a device would block or never end.
    const QFileInfo info(path);
    if (!info.isFile()) {
        qCDebug(lcDocuments) << "Document not found:" << path;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcDocuments) << "Document cannot be opened:" << path << file.errorString();
        return result;
    }
    // read(n) sets aside n bytes before it reads: a short document must not cost the whole limit.
    QByteArray bytes = file.read(std::min(maxBytes, file.size()) + 1);
    result.truncated = bytes.size() > maxBytes;
    if (result.truncated)
        bytes.truncate(maxBytes);

    // A whole file is decoded as complete, so a broken last character becomes U+FFFD. A cut file is decoded with
    // state, which holds back a character split by the cut instead of showing it as broken.
    QStringDecoder decoder(QStringConverter::Utf8,
                           result.truncated ? QStringConverter::Flag::Default : QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    result.text = std::move(text);
    return result;
}

} // namespace dialogs
