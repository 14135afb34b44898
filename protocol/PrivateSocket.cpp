// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/PrivateSocket.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace galvetta {

namespace {

// A real directory (not a link to one) of this user's that nobody else may enter.
bool private_directory(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

} // namespace

std::string PrivateSocketDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/' && private_directory(runtime)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp != nullptr && *tmp == '/' ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string own = base + "/galvetta-" + std::to_string(getuid());
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return "";
    return private_directory(own) ? own : "";
}

std::string PrivateSocketPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const std::string directory = PrivateSocketDirectory();
    return directory.empty() ? "" : directory + "/" + name;
}

int LockSocketName(const std::string& path) {
    const int fd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

uid_t PeerUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return static_cast<uid_t>(-1);
    return peer.uid;
}

} // namespace galvetta
