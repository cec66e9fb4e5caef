#pragma once

// Hands every native event of the GUI thread's event loop to the input backend, which takes the ones that belong to a
// keyboard capture or a hot key (Windows messages, X events). Install one per process, after the backend.

#include <QAbstractNativeEventFilter>

namespace platform {

class NativeEventForwarder final : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
};

// Installs the process's forwarder on the running Q(Core|Gui)Application once; later calls do nothing.
void installNativeEventForwarder();

} // namespace platform
