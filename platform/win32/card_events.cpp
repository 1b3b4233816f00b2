// Volumes arriving and leaving (Windows): the system broadcasts WM_DEVICECHANGE to every
// top-level window, so the watch keeps a hidden one of its own on the program's thread. The
// window's message loop (wx's) hands the broadcasts to it.
#include "platform/win32/win32_util.h"
// After <windows.h>:
#include <dbt.h>

#include "platform/card_events.h"

namespace slotkit::platform {

namespace {

constexpr wchar_t kWindowClass[] = L"slotkit card events";

}  // namespace

struct CardEvents::Watch {
    std::function<void()> changed;
    HWND window = nullptr;

    static LRESULT CALLBACK Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DEVICECHANGE &&
            (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam != 0 &&
            reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype ==
                DBT_DEVTYP_VOLUME) {
            if (auto* watch =
                    reinterpret_cast<Watch*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
                watch->changed();
            }
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
};

CardEvents::CardEvents(std::function<void()> changed) : watch_(std::make_unique<Watch>()) {
    watch_->changed = std::move(changed);
    WNDCLASSW type{};
    type.lpfnWndProc = &Watch::Receive;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = kWindowClass;
    ::RegisterClassW(&type);  // fails harmlessly when a watch registered it before
    // Top-level and never shown: a message-only window would not get the broadcasts.
    watch_->window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                                       nullptr, nullptr, type.hInstance, nullptr);
    if (watch_->window != nullptr) {
        ::SetWindowLongPtrW(watch_->window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(watch_.get()));
    }
}

CardEvents::~CardEvents() {
    if (watch_->window != nullptr) {
        ::SetWindowLongPtrW(watch_->window, GWLP_USERDATA, 0);
        ::DestroyWindow(watch_->window);
    }
}

}  // namespace slotkit::platform
