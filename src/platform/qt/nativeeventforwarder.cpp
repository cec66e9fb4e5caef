#include "nativeeventforwarder.h"

#include "platform/inputservices.h"

#include <QCoreApplication>

namespace platform {

bool NativeEventForwarder::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result)
{
    if (!services().handleNativeEvent(eventType.constData(), message))
        return false;
    if (result)
        *result = 0;
    return true;
}

void installNativeEventForwarder()
{
    static NativeEventForwarder* forwarder = nullptr;
    if (forwarder || !QCoreApplication::instance())
        return;
    forwarder = new NativeEventForwarder;
    QCoreApplication::instance()->installNativeEventFilter(forwarder);
}

} // namespace platform
