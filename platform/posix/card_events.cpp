// Mounts and unmounts from GIO: the system's mount table changing, and the desktop's volume
// monitor adding or removing a mount. Both arrive on the main loop of the thread that made the
// watch (the window's GTK loop).
#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include <vector>

#include "platform/card_events.h"

namespace slotkit::platform {

struct CardEvents::Watch {
    std::function<void()> changed;
    GUnixMountMonitor* table = g_unix_mount_monitor_get();
    GVolumeMonitor* desktop = g_volume_monitor_get();
    std::vector<gulong> handlers;

    static void OnChanged(gpointer, gpointer data) { static_cast<Watch*>(data)->changed(); }
    static void OnMount(GVolumeMonitor*, GMount*, gpointer data) {
        static_cast<Watch*>(data)->changed();
    }
};

CardEvents::CardEvents(std::function<void()> changed) : watch_(std::make_unique<Watch>()) {
    watch_->changed = std::move(changed);
    watch_->handlers = {
        g_signal_connect(watch_->table, "mounts-changed", G_CALLBACK(Watch::OnChanged),
                         watch_.get()),
        g_signal_connect(watch_->desktop, "mount-added", G_CALLBACK(Watch::OnMount), watch_.get()),
        g_signal_connect(watch_->desktop, "mount-removed", G_CALLBACK(Watch::OnMount),
                         watch_.get()),
    };
}

CardEvents::~CardEvents() {
    g_signal_handler_disconnect(watch_->table, watch_->handlers[0]);
    g_signal_handler_disconnect(watch_->desktop, watch_->handlers[1]);
    g_signal_handler_disconnect(watch_->desktop, watch_->handlers[2]);
    g_object_unref(watch_->table);
    g_object_unref(watch_->desktop);
}

}  // namespace slotkit::platform
