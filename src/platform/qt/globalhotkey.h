#pragma once

// A desktop-wide hot key as an object: it picks its own identifier, says activated() on each press and gives the
// combination back when it is unregistered or destroyed. The backend reports a press among the GUI loop's native
// events; the signal is queued, so a receiver may unregister or delete the hot key. GUI thread only.

#include <QObject>
#include <QString>

namespace platform {

class GlobalHotKey final : public QObject {
    Q_OBJECT

public:
    // storedModifiers: platform::HotKeyModifier bits; vk: Windows virtual-key code.
    GlobalHotKey(int storedModifiers, int vk, QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // Takes the combination from the desktop (true) or gives it back (false). False when the desktop refused the
    // registration, for instance when another program holds the combination; error() then says why.
    bool setRegistered(bool on);
    bool isRegistered() const { return id_ != 0; }
    QString error() const { return error_; }

Q_SIGNALS:
    void activated();

private:
    // A press of the registration `id`; dropped when the hot key has been given back since.
    void deliver(int id);

    const int modifiers_;
    const int vk_;
    int id_ = 0;
    QString error_;
};

} // namespace platform
