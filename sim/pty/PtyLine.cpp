#include "PtyLine.h"

#include "PortFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace hx::sim {

PtyLine::~PtyLine() {
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyLine::Open(std::string& error) {
    int master = -1, slave = -1;
    char name[PATH_MAX] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    // The slave side is the tool's; holding it open here would keep bytes for a tool that
    // is not there. While nobody has it open, the master reports a hang-up.
    ::close(slave);
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(master, F_SETFD, FD_CLOEXEC) != 0) {
        error = std::string("cannot set up the pseudo-terminal: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    m_master = master;
    m_device = name;
    return true;
}

std::string OwnedDevicePath(const std::string& device) {
    if (device.empty() || device[0] != '/')
        return device;
    const std::string owned = "/proc/" + std::to_string(::getpid()) + "/root" + device;
    struct stat direct {};
    struct stat through {};
    if (::stat(device.c_str(), &direct) != 0 || ::stat(owned.c_str(), &through) != 0 ||
        direct.st_dev != through.st_dev || direct.st_ino != through.st_ino)
        return device;
    return owned;
}

bool AnnounceLink(const std::string& folder, const std::string& name, const std::string& device,
                  std::string& linkPath, std::string& error, std::string& note) {
    if (!CheckPrivateFolder(folder, true, error))
        return false;
    linkPath = folder + "/" + name;
    struct stat st {};
    if (::lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = linkPath + " exists and is not a link; it is left alone";
            return false;
        }
        struct stat target {};
        if (::stat(linkPath.c_str(), &target) == 0)
            note = "replaced " + linkPath + ", which pointed to a device that is still there";
    }
    // Made under a temporary name and renamed, so the enumerator never sees half a link.
    const std::string temp = folder + "/." + name + "." + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(device.c_str(), temp.c_str()) != 0) {
        error = "cannot create a link in " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (::rename(temp.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create " + linkPath + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void WithdrawLink(const std::string& linkPath, const std::string& device) {
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(linkPath.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == device)
        ::unlink(linkPath.c_str());
}

std::size_t LinePacer::Allowance(uint64_t nowUs) {
    if (nowUs > m_lastUs) {
        m_credit = std::min(m_credit + (nowUs - m_lastUs) * m_rate, m_catchUp * 1000000);
        m_lastUs = nowUs;
    }
    return static_cast<std::size_t>(m_credit / 1000000);
}

void LinePacer::Spend(std::size_t n) {
    const uint64_t cost = static_cast<uint64_t>(n) * 1000000;
    m_credit = cost > m_credit ? 0 : m_credit - cost;
}

void LinePacer::Idle() {
    m_credit = std::min(m_credit, m_burst * 1000000);
}

} // namespace hx::sim
