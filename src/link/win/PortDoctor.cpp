#include "link/PortDoctor.h"

namespace kdx {

// Device permissions, groups and holders are Linux findings; on Windows a
// busy or missing port is told by the line's own open failure, so the
// doctor finds nothing to add.

UserIdentity UserIdentity::current() { return {}; }

PortDoctor::PortDoctor(std::string root, UserIdentity user) : m_root(std::move(root)), m_user(std::move(user)) {}

std::vector<std::pair<int, std::string>> PortDoctor::processes() const { return {}; }

bool PortDoctor::daemonRunning(const char*) const { return false; }

std::string PortDoctor::groupName(uint32_t) const { return {}; }

PortDiagnosis PortDoctor::examinePort(const std::string& path, bool)
{
    PortDiagnosis d;
    d.path = path;
    return d;
}

std::string PortDoctor::explain(const std::string&, bool) { return {}; }

void PortDoctor::addSystemFindings(DoctorReport&) {}

DoctorReport PortDoctor::examine(const std::vector<std::string>& extraPaths)
{
    DoctorReport r;
    for (const auto& p : extraPaths)
        r.ports.push_back(examinePort(p));
    return r;
}

std::string PortDoctor::reportText(const DoctorReport& r, const Words&)
{
    std::string text;
    for (const auto& p : r.ports)
        text += p.path + "\n";
    return text;
}

} // namespace kdx
