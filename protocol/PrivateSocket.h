// SPDX-License-Identifier: GPL-3.0-or-later
// Where this user's local sockets live, and who is at the other end of one.
// A socket in a directory that only its user can enter cannot be replaced or
// reached by another user; the peer check guards both ends all the same.
#pragma once

#include <sys/types.h>

#include <string>

namespace galvetta {

// This user's private socket directory: $XDG_RUNTIME_DIR when it is a
// directory of this user's that nobody else may enter, else
// <TMPDIR or /tmp>/galvetta-UID, created with mode 0700. Empty when neither
// can be had safely (for example when another user already made that name).
std::string PrivateSocketDirectory();

// The path of socket `name`: a name with a '/' is a path already; any other
// name lies in the private directory. Empty when there is no such directory.
std::string PrivateSocketPath(const std::string& name);

// Takes the name at `path` (a socket's path) for this process: a lock on
// "<path>.lock" that lasts while the returned descriptor stays open, so that of
// programs started together exactly one holds a name. -1 when another process
// holds it (or the lock file cannot be made).
int LockSocketName(const std::string& path);

// The user of the process at the other end of the connected local socket
// `fd`, or (uid_t)-1 when the system cannot tell.
uid_t PeerUser(int fd);

} // namespace galvetta
