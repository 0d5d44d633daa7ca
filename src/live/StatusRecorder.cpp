#include "live/StatusRecorder.h"

#include "live/StatusCsv.h"
#include "live/UtcTime.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace kdx {

StatusRecorder::~StatusRecorder() { stop(); }

std::string StatusRecorder::fileName(uint32_t serialNumber, int64_t utcMs)
{
    char serial[9];
    std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(serialNumber));
    return std::string("KDX_") + serial + "_" + UtcTime::compact(utcMs) + ".csv";
}

void StatusRecorder::fail(const std::string& what)
{
    m_error = what + " " + m_path + ": " + std::strerror(errno);
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool StatusRecorder::open(const std::string& path, const char* mode, uint32_t serialNumber)
{
    stop();
    m_path = path;
    m_error.clear();
    m_serial = serialNumber;
    m_rows = m_gaps = 0;
    m_haveLast = false;
    m_file = std::fopen(path.c_str(), mode);
    if (!m_file) {
        fail("cannot create");
        return false;
    }
    return put(StatusCsv::header());
}

bool StatusRecorder::startAt(const std::string& path, uint32_t serialNumber)
{
    return open(path, "w", serialNumber);
}

bool StatusRecorder::startIn(const std::string& folder, uint32_t serialNumber, int64_t utcMs)
{
    std::error_code made;
    std::filesystem::create_directory(folder, made);
    if (made && made != std::errc::file_exists) {
        errno = made.value();
        m_path = folder;
        fail("cannot create the folder");
        return false;
    }
    const std::string name = fileName(serialNumber, utcMs);
    const std::string stem = folder + "/" + name.substr(0, name.size() - 4);
    for (int n = 1; n < 100; ++n) {
        const std::string path = n == 1 ? stem + ".csv" : stem + "_" + std::to_string(n) + ".csv";
        if (open(path, "wx", serialNumber))
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool StatusRecorder::put(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() || std::fflush(m_file) != 0) {
        fail("cannot write");
        return false;
    }
    return true;
}

bool StatusRecorder::write(const StatusSample& sample)
{
    if (!m_file)
        return false;
    // A gap row names its silence itself; only a frame after an unnamed
    // silence gets the "no link" row.
    if (m_haveLast && sample.ok() && sample.utcMs - m_lastMs > kNoLinkAfterMs) {
        if (!put(StatusCsv::row(StatusSample::gap(StatusSample::State::NoLink, sample.utcMs))))
            return false;
        ++m_rows;
        ++m_gaps;
    }
    if (!put(StatusCsv::row(sample)))
        return false;
    ++m_rows;
    if (!sample.ok())
        ++m_gaps;
    m_haveLast = true;
    m_lastMs = sample.utcMs;
    return true;
}

bool StatusRecorder::stop()
{
    if (!m_file)
        return m_error.empty();
    std::FILE* f = m_file;
    m_file = nullptr;
    if (std::fclose(f) != 0) {
        m_error = std::string("cannot write ") + m_path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace kdx
