#include "x11leftovers.h"

#include "x11instancerecord.h"

#include <QLoggingCategory>

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XTest.h>

#include <cstring>
#include <vector>

Q_LOGGING_CATEGORY(lcLeftovers, "orvane.platform.x11.leftovers")

namespace platform::x11 {

namespace {

// What the device holds down, as keycodes or button numbers (XI 1.x state: one bit per keycode or button number).
void readHeld(Display* display, XID id, std::vector<int>& keys, std::vector<int>& buttons)
{
    XDevice* device = XOpenDevice(display, id);
    if (!device)
        return;
    if (XDeviceState* state = XQueryDeviceState(display, device)) {
        auto* item = reinterpret_cast<char*>(state->data);
        for (int c = 0; c < state->num_classes; ++c) {
            auto* cls = reinterpret_cast<XInputClass*>(item);
            if (cls->c_class == KeyClass) {
                const auto* held = reinterpret_cast<XKeyState*>(cls);
                for (int kc = 8; kc < 256; ++kc) {
                    if (held->keys[kc / 8] & (1 << (kc % 8)))
                        keys.push_back(kc);
                }
            } else if (cls->c_class == ButtonClass) {
                const auto* held = reinterpret_cast<XButtonState*>(cls);
                for (int b = 1; b <= held->num_buttons && b < 256; ++b) {
                    if (held->buttons[b / 8] & (1 << (b % 8)))
                        buttons.push_back(b);
                }
            }
            item += cls->length;
        }
        XFreeDeviceState(state);
    }
    XCloseDevice(display, device);
}

} // namespace

int releaseLeftHeldInput(XDisplay* display)
{
    int opcode = 0, event = 0, error = 0;
    if (!display || !XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return 0;
    std::vector<int> keys;
    std::vector<int> buttons;
    // Under a server grab, so that an instance starting meanwhile cannot claim its selection and press something
    // between the look and the release.
    XGrabServer(display);
    if (!InstanceRecord::anyAlive(display)) {
        int count = 0;
        if (XDeviceInfo* devices = XListInputDevices(display, &count)) {
            for (int i = 0; i < count; ++i) {
                if (devices[i].name && (std::strcmp(devices[i].name, "Virtual core XTEST keyboard") == 0 ||
                                        std::strcmp(devices[i].name, "Virtual core XTEST pointer") == 0))
                    readHeld(display, devices[i].id, keys, buttons);
            }
            XFreeDeviceList(devices);
        }
        for (int kc : keys)
            XTestFakeKeyEvent(display, static_cast<unsigned>(kc), False, CurrentTime);
        for (int b : buttons)
            XTestFakeButtonEvent(display, static_cast<unsigned>(b), False, CurrentTime);
    }
    XUngrabServer(display);
    XSync(display, False);
    const int released = static_cast<int>(keys.size() + buttons.size());
    if (released > 0) {
        qCWarning(lcLeftovers, "Released %d key(s) and %d button(s) that an abnormally ended instance left held",
                  static_cast<int>(keys.size()), static_cast<int>(buttons.size()));
    }
    return released;
}

} // namespace platform::x11
