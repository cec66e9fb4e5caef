#include "globalhotkey.h"

#include "platform/inputservices.h"

#include <QPointer>

namespace platform {

namespace {
// Identifiers are unique per process; a hot key unregistered and registered again gets a fresh one, so a press the
// backend reported for the old registration never reaches the new one.
int nextHotKeyId()
{
    static int next = 0x4f00;
    return ++next;
}
} // namespace

GlobalHotKey::GlobalHotKey(int storedModifiers, int vk, QObject* parent)
    : QObject(parent), modifiers_(storedModifiers), vk_(vk)
{
}

GlobalHotKey::~GlobalHotKey()
{
    setRegistered(false);
}

bool GlobalHotKey::setRegistered(bool on)
{
    if (on == isRegistered())
        return true;
    if (!on) {
        services().unregisterHotKey(id_);
        id_ = 0;
        return true;
    }
    const int id = nextHotKeyId();
    const QPointer<GlobalHotKey> self(this);
    const bool ok = services().registerHotKey(id, modifiers_, vk_, [self, id](int) {
        // Queued: a receiver may unregister or delete the hot key, which must not happen inside the backend's call.
        if (self)
            QMetaObject::invokeMethod(
                self, [self, id] { self->deliver(id); }, Qt::QueuedConnection);
    });
    if (!ok) {
        error_ = QString::fromStdString(services().lastError());
        return false;
    }
    id_ = id;
    error_.clear();
    return true;
}

void GlobalHotKey::deliver(int id)
{
    if (id == id_)
        Q_EMIT activated();
}

} // namespace platform
