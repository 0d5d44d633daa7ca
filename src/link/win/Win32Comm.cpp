#include "link/win/CommAccess.h"

#include <windows.h>

namespace kdx {

namespace {

// The handle is opened for overlapped I/O only so that the transmitter-empty
// wait can be given up after its bound; every other call waits for its
// request at once, so the line stays synchronous.
class Win32Comm : public CommAccess {
public:
    Handle open(const std::string& path) override
    {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            m_error = ::GetLastError();
            return nullptr;
        }
        return h;
    }

    bool close(Handle h) override { return check(::CloseHandle(h)); }

    bool setLine(Handle h, uint32_t baud) override
    {
        DCB dcb {};
        dcb.DCBlength = sizeof dcb;
        if (!check(::GetCommState(h, &dcb)))
            return false;
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        return check(::SetCommState(h, &dcb));
    }

    bool setReadReturnsAtOnce(Handle h) override
    {
        COMMTIMEOUTS t {};
        t.ReadIntervalTimeout = MAXDWORD; // with both read totals 0: return at once
        return check(::SetCommTimeouts(h, &t));
    }

    bool setEventMask(Handle h, uint32_t mask) override { return check(::SetCommMask(h, mask)); }

    bool setModem(Handle h, Modem what) override
    {
        static const DWORD codes[] = {SETRTS, CLRRTS, SETDTR, CLRDTR};
        return check(::EscapeCommFunction(h, codes[static_cast<int>(what)]));
    }

    bool write(Handle h, const uint8_t* data, size_t count, size_t& written) override
    {
        written = 0;
        DWORD n = 0;
        if (!finish(h, ::WriteFile(h, data, static_cast<DWORD>(count), nullptr, &m_io), n))
            return false;
        written = n;
        return true;
    }

    Wait waitEvent(Handle h, uint32_t timeoutMs, uint32_t& events) override
    {
        DWORD mask = 0;
        OVERLAPPED io {};
        io.hEvent = event();
        if (::WaitCommEvent(h, &mask, &io)) {
            events = mask;
            return Wait::Event;
        }
        if (::GetLastError() != ERROR_IO_PENDING) {
            m_error = ::GetLastError();
            return Wait::Failed;
        }
        if (::WaitForSingleObject(io.hEvent, timeoutMs) != WAIT_OBJECT_0) {
            // Given up: the pending wait is ended before io goes out of scope.
            ::CancelIo(h);
            DWORD ignored = 0;
            ::GetOverlappedResult(h, &io, &ignored, TRUE);
            return Wait::Timeout;
        }
        DWORD ignored = 0;
        if (!::GetOverlappedResult(h, &io, &ignored, FALSE)) {
            m_error = ::GetLastError();
            return Wait::Failed;
        }
        events = mask;
        return Wait::Event;
    }

    bool clearError(Handle h, Status& status) override
    {
        DWORD errors = 0;
        COMSTAT stat {};
        if (!check(::ClearCommError(h, &errors, &stat)))
            return false;
        status.errors = errors;
        status.inQueue = stat.cbInQue;
        status.outQueue = stat.cbOutQue;
        return true;
    }

    bool read(Handle h, uint8_t* data, size_t count, size_t& got) override
    {
        got = 0;
        DWORD n = 0;
        if (!finish(h, ::ReadFile(h, data, static_cast<DWORD>(count), nullptr, &m_io), n))
            return false;
        got = n;
        return true;
    }

    bool purgeOutput(Handle h) override { return check(::PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR)); }

    uint32_t lastError() override { return m_error; }

    std::string describe(uint32_t error) override
    {
        char text[512] = {};
        const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                         0, text, sizeof text, nullptr);
        std::string s(text, n);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
            s.pop_back();
        return s.empty() ? "error " + std::to_string(error) : s;
    }

    std::optional<uint32_t> latencyTimerMs(const std::string& portName) override
    {
        // The adapter driver keeps each port's settings under its bus's
        // device keys: <device>\<instance>\Device Parameters holds PortName
        // and LatencyTimer.
        HKEY bus = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\FTDIBUS", 0, KEY_READ, &bus)
            != ERROR_SUCCESS)
            return std::nullopt;
        std::optional<uint32_t> found;
        char device[256];
        for (DWORD i = 0; !found; ++i) {
            DWORD size = sizeof device;
            if (::RegEnumKeyExA(bus, i, device, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            HKEY dev = nullptr;
            if (::RegOpenKeyExA(bus, device, 0, KEY_READ, &dev) != ERROR_SUCCESS)
                continue;
            char instance[256];
            for (DWORD j = 0; !found; ++j) {
                DWORD isize = sizeof instance;
                if (::RegEnumKeyExA(dev, j, instance, &isize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                const std::string params = std::string(instance) + "\\Device Parameters";
                char name[64] = {};
                DWORD nameSize = sizeof name - 1;
                DWORD latency = 0;
                DWORD latencySize = sizeof latency;
                if (::RegGetValueA(dev, params.c_str(), "PortName", RRF_RT_REG_SZ, nullptr, name, &nameSize)
                        == ERROR_SUCCESS
                    && ::lstrcmpiA(name, portName.c_str()) == 0
                    && ::RegGetValueA(dev, params.c_str(), "LatencyTimer", RRF_RT_REG_DWORD, nullptr, &latency,
                                      &latencySize)
                        == ERROR_SUCCESS)
                    found = latency;
            }
            ::RegCloseKey(dev);
        }
        ::RegCloseKey(bus);
        return found;
    }

private:
    bool check(BOOL ok)
    {
        if (!ok)
            m_error = ::GetLastError();
        return ok != FALSE;
    }

    HANDLE event()
    {
        if (!m_event)
            m_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        return m_event;
    }

    // Completes a read or write started on m_io: waits for it (reads return
    // at once by the timeouts set at open; a write until the driver took it).
    bool finish(Handle h, BOOL started, DWORD& transferred)
    {
        if (!started && ::GetLastError() != ERROR_IO_PENDING) {
            m_error = ::GetLastError();
            return false;
        }
        return check(::GetOverlappedResult(h, &m_io, &transferred, TRUE));
    }

public:
    Win32Comm() { m_io.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }

private:
    OVERLAPPED m_io {};
    HANDLE m_event = nullptr;
    uint32_t m_error = 0;
};

} // namespace

CommAccess& CommAccess::system()
{
    static Win32Comm comm;
    return comm;
}

} // namespace kdx
