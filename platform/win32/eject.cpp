// Ejecting a card (Windows): the volume is flushed, locked so that no other program keeps a
// file open on it, dismounted, and then its media ejected (IOCTL_STORAGE_EJECT_MEDIA) or, where
// the drive does not eject media, the device itself let go (CM_Request_Device_Eject), as the
// "Safely Remove Hardware" icon does.
#include "platform/win32/win32_util.h"
// After <windows.h>:
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <cwctype>
#include <vector>

#include "platform/eject.h"

namespace slotkit::platform {

namespace {

// The interface class of disks (GUID_DEVINTERFACE_DISK), spelled out so that no library must
// define it.
constexpr GUID kDiskInterface = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                             wide.back() == L'.')) {
        wide.pop_back();
    }
    const auto narrow = Narrow(wide);
    return narrow && !narrow->empty() ? *narrow : "system error " + std::to_string(error);
}

EjectResult Result(EjectOutcome outcome, std::string detail = {}) {
    return EjectResult{outcome, std::move(detail), {}};
}

bool Control(HANDLE volume, DWORD code, void* in = nullptr, DWORD inSize = 0) {
    DWORD returned = 0;
    return ::DeviceIoControl(volume, code, in, inSize, nullptr, 0, &returned, nullptr) != 0;
}

// The disk device whose number `number` is, let go through the configuration manager.
bool RequestDeviceEject(const STORAGE_DEVICE_NUMBER& number, std::string& why) {
    HDEVINFO disks = ::SetupDiGetClassDevsW(&kDiskInterface, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (disks == INVALID_HANDLE_VALUE) {
        why = SystemText(::GetLastError());
        return false;
    }
    bool done = false;
    why = "the drive was not found among the disks";
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD i = 0; ::SetupDiEnumDeviceInterfaces(disks, nullptr, &kDiskInterface, i, &item);
         ++i) {
        DWORD size = 0;
        ::SetupDiGetDeviceInterfaceDetailW(disks, &item, nullptr, 0, &size, nullptr);
        std::vector<std::uint8_t> buffer(size + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!::SetupDiGetDeviceInterfaceDetailW(disks, &item, detail, size, nullptr, &device)) {
            continue;
        }
        UniqueHandle disk(::CreateFileW(detail->DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        STORAGE_DEVICE_NUMBER its{};
        DWORD returned = 0;
        if (disk.get() == INVALID_HANDLE_VALUE ||
            !::DeviceIoControl(disk.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &its,
                               sizeof its, &returned, nullptr) ||
            its.DeviceNumber != number.DeviceNumber || its.DeviceType != number.DeviceType) {
            continue;
        }
        DEVINST parent = 0;
        if (::CM_Get_Parent(&parent, device.DevInst, 0) != CR_SUCCESS) {
            parent = device.DevInst;
        }
        PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
        wchar_t vetoName[MAX_PATH] = {};
        const CONFIGRET answer = ::CM_Request_Device_EjectW(parent, &veto, vetoName, MAX_PATH, 0);
        done = answer == CR_SUCCESS && veto == PNP_VetoTypeUnknown;
        if (!done) {
            const auto name = Narrow(vetoName);
            why = answer != CR_SUCCESS
                      ? "the configuration manager answered " + std::to_string(answer)
                      : "the system vetoed it" + (name && !name->empty() ? ": " + *name : "");
        }
        break;
    }
    ::SetupDiDestroyDeviceInfoList(disks);
    return done;
}

}  // namespace

EjectResult EjectCard(const std::string& cardRoot, const std::function<void()>& beforeUnmount) {
    // Only a drive root such as E:\ is a card that can be ejected.
    if (cardRoot.size() != 3 || !std::iswalpha(static_cast<wint_t>(cardRoot[0])) ||
        cardRoot[1] != ':' || !IsSeparator(static_cast<wchar_t>(cardRoot[2]))) {
        return Result(EjectOutcome::NotMounted, cardRoot);
    }
    const wchar_t root[] = {static_cast<wchar_t>(cardRoot[0]), L':', L'\\', L'\0'};
    if (::GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR) {
        return Result(EjectOutcome::NotMounted, cardRoot);
    }
    const wchar_t device[] = {L'\\', L'\\', L'.', L'\\', root[0], L':', L'\0'};
    UniqueHandle volume(::CreateFileW(device, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    if (volume.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_NOT_READY || error == ERROR_FILE_NOT_FOUND ||
            error == ERROR_PATH_NOT_FOUND) {
            return Result(EjectOutcome::NotMounted, cardRoot);
        }
        return Result(EjectOutcome::Refused, SystemText(error));
    }
    if (!::FlushFileBuffers(volume.get())) {
        return Result(EjectOutcome::FlushFailed, SystemText(::GetLastError()));
    }
    if (beforeUnmount) {
        beforeUnmount();
    }
    // A program with a file open on the card keeps the lock from being taken.
    bool locked = false;
    DWORD lockError = 0;
    for (int tries = 0; tries < 5 && !locked; ++tries) {
        locked = Control(volume.get(), FSCTL_LOCK_VOLUME);
        if (!locked) {
            lockError = ::GetLastError();
            ::Sleep(200);
        }
    }
    if (!locked) {
        if (lockError == ERROR_ACCESS_DENIED || lockError == ERROR_SHARING_VIOLATION ||
            lockError == ERROR_LOCK_VIOLATION) {
            return Result(EjectOutcome::Busy, SystemText(lockError));
        }
        if (lockError == ERROR_NOT_READY || lockError == ERROR_DEVICE_NOT_CONNECTED) {
            return Result(EjectOutcome::Vanished, SystemText(lockError));
        }
        return Result(EjectOutcome::Refused, SystemText(lockError));
    }
    if (!Control(volume.get(), FSCTL_DISMOUNT_VOLUME)) {
        const DWORD error = ::GetLastError();
        Control(volume.get(), FSCTL_UNLOCK_VOLUME);
        return Result(error == ERROR_NOT_READY || error == ERROR_DEVICE_NOT_CONNECTED
                          ? EjectOutcome::Vanished
                          : EjectOutcome::Refused,
                      SystemText(error));
    }
    PREVENT_MEDIA_REMOVAL allow{FALSE};
    Control(volume.get(), IOCTL_STORAGE_MEDIA_REMOVAL, &allow, sizeof allow);
    if (Control(volume.get(), IOCTL_STORAGE_EJECT_MEDIA)) {
        return Result(EjectOutcome::Ejected);
    }
    // A card reader without ejectable media: the device is let go instead, with the volume
    // still locked and dismounted.
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    std::string why = SystemText(::GetLastError());
    if (::DeviceIoControl(volume.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                          sizeof number, &returned, nullptr)) {
        volume = UniqueHandle();
        if (RequestDeviceEject(number, why)) {
            return Result(EjectOutcome::Ejected);
        }
    }
    return Result(EjectOutcome::Refused, why);
}

}  // namespace slotkit::platform
