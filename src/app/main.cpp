#include "orvane.h"

#include "cli/commandline.h"

#include "platform/inputservices.h"
#include "platform/qt/nativeeventforwarder.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QMessageBox>
#include <QTimer>
#include <QToolTip>

int main(int argc, char* argv[])
{
    const cli::Request request = cli::parseCommandLine(cli::argumentsOf(argc, argv));
    if (const std::optional<int> exitCode = cli::runConsoleMode(request))
        return *exitCode;

    platform::prepareGuiPlatform();
    QApplication app(argc, argv);

    QFont toolTipFont = QToolTip::font();
    toolTipFont.setPixelSize(18);
    QToolTip::setFont(toolTipFont);

    platform::setServices(platform::createDefaultServices());
    platform::installNativeEventForwarder();
    qDebug() << "Input backend:" << platform::services().backendName().c_str();

    orvane window;
    window.show();
    if (!platform::services().isAvailable()) {
        // Editing and saving still work; only replaying needs the desktop's input functions.
        QTimer::singleShot(0, &window, [&window] {
            QMessageBox::warning(&window, QStringLiteral("オルヴェイン Free"),
                                 QStringLiteral("このデスクトップでは入力の自動操作を利用できません。\n"
                                                "プロジェクトの作成と保存はできますが、実行はできません。"));
        });
    }
    return app.exec();
}
