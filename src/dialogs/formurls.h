#pragma once

// The web addresses the program talks to: the response endpoint that receives reports and the two form pages that the
// information menu opens in the browser. Their values are chosen when the program is built (see docs/report-urls.md).

#include <QString>
#include <QUrl>

namespace dialogs {

// The form response endpoint that bug reports and improvement suggestions are posted to.
QUrl reportEndpointUrl();

// The form page for a user who wants an answer ("返信が必要な場合").
QUrl replyFormUrl();

// The form page for questions about using the program ("使い方を質問する").
QUrl questionFormUrl();

// True when the program may send to or open the address: HTTPS with a host, or plain HTTP to this machine's loopback
// address (127.0.0.0/8, ::1, localhost), which only a local test server uses. Everything else is refused, so a report
// is never sent unencrypted over the network.
bool isPermittedFormUrl(const QUrl& url);

// The user-facing reason why an address was refused, for the failure boxes.
QString refusedUrlMessage(const QUrl& url);

} // namespace dialogs
