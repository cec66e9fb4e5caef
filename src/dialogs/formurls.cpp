#include "formurls.h"

#include <QCoreApplication>
#include <QHostAddress>

// The build passes the three addresses as compile definitions; the fallbacks only keep a stray build compiling.
#ifndef ORVANE_REPORT_URL
#define ORVANE_REPORT_URL ""
#endif
#ifndef ORVANE_REPLY_FORM_URL
#define ORVANE_REPLY_FORM_URL ""
#endif
#ifndef ORVANE_QUESTION_FORM_URL
#define ORVANE_QUESTION_FORM_URL ""
#endif

namespace dialogs {

QUrl reportEndpointUrl()
{
    return QUrl(QString::fromUtf8(ORVANE_REPORT_URL), QUrl::TolerantMode);
}

QUrl replyFormUrl()
{
    return QUrl(QString::fromUtf8(ORVANE_REPLY_FORM_URL), QUrl::TolerantMode);
}

QUrl questionFormUrl()
{
    return QUrl(QString::fromUtf8(ORVANE_QUESTION_FORM_URL), QUrl::TolerantMode);
}

bool isPermittedFormUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost"))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString refusedUrlMessage(const QUrl& url)
{
    const QString shown = url.isEmpty() ? QCoreApplication::translate("dialogs", "（未設定）") : url.toDisplayString();
    return QCoreApplication::translate("dialogs",
                                       "送信先のアドレスが安全な接続（HTTPS）ではないため、使用できません。\n%1")
        .arg(shown);
}

} // namespace dialogs
