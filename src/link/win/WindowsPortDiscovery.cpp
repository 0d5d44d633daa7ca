#include "link/win/WindowsPortDiscovery.h"

#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace kdx {

namespace {

// The adapter driver library's calls, bound by ordinal; status 0 is success.
using CountDevices = ULONG(WINAPI*)(DWORD* count);
using OpenByIndex = ULONG(WINAPI*)(int index, void** handle);
using ComPortNumber = ULONG(WINAPI*)(void* handle, LONG* number);
using CloseDevice = ULONG(WINAPI*)(void* handle);

constexpr WORD kOrdinalCount = 70;
constexpr WORD kOrdinalOpen = 1;
constexpr WORD kOrdinalComPort = 80;
constexpr WORD kOrdinalClose = 2;

template <typename F>
F bound(HMODULE library, WORD ordinal)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(library, MAKEINTRESOURCEA(ordinal))));
}

// The library's device list; false when the library is not installed.
bool driverLibraryDevices(std::vector<UsbSerialDevice>& devices)
{
    HMODULE library = ::LoadLibraryA("ftd2xx.dll");
    if (!library)
        return false;
    const auto count = bound<CountDevices>(library, kOrdinalCount);
    const auto open = bound<OpenByIndex>(library, kOrdinalOpen);
    const auto comPort = bound<ComPortNumber>(library, kOrdinalComPort);
    const auto close = bound<CloseDevice>(library, kOrdinalClose);
    if (!count || !open || !comPort || !close) {
        ::FreeLibrary(library);
        return false;
    }
    DWORD n = 0;
    if (count(&n) == 0) {
        for (DWORD i = 0; i < n; ++i) {
            UsbSerialDevice device;
            device.vendorId = kFtdiVendorId;
            void* handle = nullptr;
            if (open(static_cast<int>(i), &handle) == 0) {
                LONG number = -1;
                if (comPort(handle, &number) == 0 && number > 0)
                    device.ttyPath = "COM" + std::to_string(number);
                close(handle);
            }
            devices.push_back(device); // a device that did not open is counted all the same
        }
    }
    ::FreeLibrary(library);
    return true;
}

bool hasVendor(const char* hardwareIds)
{
    for (const char* id = hardwareIds; *id; id += std::char_traits<char>::length(id) + 1) {
        std::string upper(id);
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (upper.find("VID_0403") != std::string::npos)
            return true;
    }
    return false;
}

// The present serial ports of the vendor the device manager lists.
std::vector<UsbSerialDevice> setupApiDevices()
{
    std::vector<UsbSerialDevice> devices;
    HDEVINFO set = ::SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return devices;
    SP_DEVINFO_DATA info {};
    info.cbSize = sizeof info;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &info); ++i) {
        char ids[1024] = {};
        if (!::SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_HARDWAREID, nullptr,
                                                 reinterpret_cast<BYTE*>(ids), sizeof ids - 2, nullptr)
            || !hasVendor(ids))
            continue;
        UsbSerialDevice device;
        device.vendorId = kFtdiVendorId;
        HKEY key = ::SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            char name[64] = {};
            DWORD size = sizeof name - 1;
            if (::RegQueryValueExA(key, "PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size)
                == ERROR_SUCCESS)
                device.ttyPath = name;
            ::RegCloseKey(key);
        }
        devices.push_back(device);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return devices;
}

} // namespace

std::vector<UsbSerialDevice> WindowsPortDiscovery::usbSerialDevices()
{
    std::vector<UsbSerialDevice> devices;
    if (driverLibraryDevices(devices))
        return devices;
    return setupApiDevices();
}

std::vector<std::string> WindowsPortDiscovery::systemSerialPorts()
{
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        char data[256] = {};
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        // An error part-way keeps what was read so far.
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize)
            != ERROR_SUCCESS)
            break;
        if (type == REG_SZ)
            ports.emplace_back(data);
    }
    ::RegCloseKey(key);
    return ports;
}

std::vector<std::string> WindowsPortDiscovery::deviceNames()
{
    std::vector<std::string> names;
    std::vector<char> buffer(524288);
    DWORD n = 0;
    for (;;) {
        n = ::QueryDosDeviceA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size() - 2));
        if (n != 0)
            break;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return names;
        buffer.resize(buffer.size() * 2);
    }
    for (const char* name = buffer.data(); *name && name < buffer.data() + n;
         name += std::char_traits<char>::length(name) + 1) {
        if (std::char_traits<char>::length(name) > 3 && (name[0] | 0x20) == 'c' && (name[1] | 0x20) == 'o'
            && (name[2] | 0x20) == 'm')
            names.emplace_back(name);
    }
    return names;
}

} // namespace kdx
