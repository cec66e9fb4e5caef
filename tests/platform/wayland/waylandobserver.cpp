// A Wayland client of its own process that the backend's tests type and click into: a full-screen window that prints
// each keyboard and pointer event it receives as one line on standard output ("focus", "key <keysym> down|up <mods>",
// "text <utf-8>", "motion <x> <y>", "button <code> down|up", and "mapped" once it is shown). The window covers the
// output at the origin, so its coordinates are the layout's.
#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace {

struct Observer {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* shell = nullptr;
    wl_seat* seat = nullptr;
    wl_surface* surface = nullptr;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* state = nullptr;
    int width = 0, height = 0;
    bool painted = false;
} o;

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string mods()
{
    std::string names;
    for (const char* m : {XKB_MOD_NAME_SHIFT, XKB_MOD_NAME_CTRL, XKB_MOD_NAME_ALT, XKB_MOD_NAME_LOGO}) {
        if (o.state && xkb_state_mod_name_is_active(o.state, m, XKB_STATE_MODS_EFFECTIVE) > 0)
            names += (names.empty() ? "" : "+") + std::string(m);
    }
    return names.empty() ? "-" : names;
}

void paint(int width, int height)
{
    const int stride = width * 4, size = stride * height;
    const int fd = memfd_create("observer", 0);
    if (fd < 0 || ftruncate(fd, size) != 0)
        return;
    wl_shm_pool* pool = wl_shm_create_pool(o.shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(o.surface, buffer, 0, 0);
    wl_surface_damage(o.surface, 0, 0, width, height);
    wl_surface_commit(o.surface);
}

} // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    wl_registry_listener registry{};
    registry.global = [](void*, wl_registry* r, std::uint32_t name, const char* interface, std::uint32_t) {
        if (!std::strcmp(interface, wl_compositor_interface.name))
            o.compositor = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 1));
        else if (!std::strcmp(interface, wl_shm_interface.name))
            o.shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
        else if (!std::strcmp(interface, xdg_wm_base_interface.name))
            o.shell = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
        else if (!std::strcmp(interface, wl_seat_interface.name) && !o.seat)
            o.seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
    };
    registry.global_remove = [](void*, wl_registry*, std::uint32_t) {};
    wl_registry_add_listener(wl_display_get_registry(display), &registry, nullptr);
    wl_display_roundtrip(display);
    if (!o.compositor || !o.shm || !o.shell || !o.seat)
        return 1;

    xdg_wm_base_listener shell{};
    shell.ping = [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); };
    xdg_wm_base_add_listener(o.shell, &shell, nullptr);

    wl_keyboard_listener keyboard{};
    keyboard.keymap = [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t size) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
        if (text == MAP_FAILED)
            return;
        xkb_state_unref(o.state);
        xkb_keymap_unref(o.keymap);
        o.keymap = xkb_keymap_new_from_string(o.context, static_cast<const char*>(text), XKB_KEYMAP_FORMAT_TEXT_V1,
                                              XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        o.state = o.keymap ? xkb_state_new(o.keymap) : nullptr;
    };
    keyboard.enter = [](void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) { say("focus"); };
    keyboard.leave = [](void*, wl_keyboard*, std::uint32_t, wl_surface*) { say("unfocus"); };
    keyboard.key = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key, std::uint32_t pressed) {
        if (!o.state)
            return say("key without keymap");
        char name[64] = "?", text[64] = "";
        xkb_keysym_get_name(xkb_state_key_get_one_sym(o.state, key + 8), name, sizeof name);
        say(std::string("key ") + name + (pressed ? " down " : " up ") + mods());
        if (pressed && xkb_state_key_get_utf8(o.state, key + 8, text, sizeof text) > 0 &&
            static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7f)
            say(std::string("text ") + text);
    };
    keyboard.modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                            std::uint32_t locked, std::uint32_t group) {
        if (o.state)
            xkb_state_update_mask(o.state, depressed, latched, locked, 0, 0, group);
    };
    wl_pointer_listener pointer{};
    pointer.enter = [](void*, wl_pointer*, std::uint32_t, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
        say("motion " + std::to_string(wl_fixed_to_int(x)) + " " + std::to_string(wl_fixed_to_int(y)));
    };
    pointer.leave = [](void*, wl_pointer*, std::uint32_t, wl_surface*) {};
    pointer.motion = [](void*, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        say("motion " + std::to_string(wl_fixed_to_int(x)) + " " + std::to_string(wl_fixed_to_int(y)));
    };
    pointer.button = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button, std::uint32_t down) {
        say("button " + std::to_string(button) + (down ? " down" : " up"));
    };
    pointer.axis = [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {};
    // A headless compositor has a keyboard and a pointer only once the backend has created its own.
    static wl_keyboard_listener* keys = &keyboard;
    static wl_pointer_listener* moves = &pointer;
    wl_seat_listener seat{};
    seat.capabilities = [](void*, wl_seat* s, std::uint32_t caps) {
        static wl_keyboard* kb = nullptr;
        static wl_pointer* ptr = nullptr;
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !kb)
            wl_keyboard_add_listener(kb = wl_seat_get_keyboard(s), keys, nullptr);
        else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && kb)
            wl_keyboard_destroy(std::exchange(kb, nullptr));
        if ((caps & WL_SEAT_CAPABILITY_POINTER) && !ptr)
            wl_pointer_add_listener(ptr = wl_seat_get_pointer(s), moves, nullptr);
        else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && ptr)
            wl_pointer_destroy(std::exchange(ptr, nullptr));
    };
    wl_seat_add_listener(o.seat, &seat, nullptr);

    o.surface = wl_compositor_create_surface(o.compositor);
    xdg_surface* surface = xdg_wm_base_get_xdg_surface(o.shell, o.surface);
    xdg_surface_listener configured{};
    configured.configure = [](void*, xdg_surface* s, std::uint32_t serial) {
        xdg_surface_ack_configure(s, serial);
        // The first configure leaves the size to the client; the window is made full screen once it is shown.
        paint(o.width > 0 ? o.width : 64, o.height > 0 ? o.height : 64);
        if (o.width > 0 && !std::exchange(o.painted, true))
            say("mapped");
    };
    xdg_surface_add_listener(surface, &configured, nullptr);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(surface);
    xdg_toplevel_listener sized{};
    sized.configure = [](void*, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
        o.width = width;
        o.height = height;
    };
    sized.close = [](void*, xdg_toplevel*) {};
    xdg_toplevel_add_listener(toplevel, &sized, nullptr);
    xdg_toplevel_set_title(toplevel, "observer");
    xdg_toplevel_set_fullscreen(toplevel, nullptr);
    wl_surface_commit(o.surface);
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
