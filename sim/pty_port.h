// The pseudo-terminal that tarvik-devsim serves, and its link in the ports folder.
#pragma once

#include <string>

namespace devsim {

struct PtyPort {
  int master = -1;
  int slave = -1;  // held open for the whole session: a master read gives EIO without one
  std::string slavePath;
};

// Opens a pty pair, master non-blocking, slave in raw mode (a pty echoes by default).
bool OpenPty(PtyPort* port, std::string* error);
void ClosePty(PtyPort* port);

// Creates a folder and its parents.
bool EnsureDirectory(const std::string& dir, std::string* error);

// The first COM<n> in dir with no entry, or only a link whose target is gone.
std::string FreePortName(const std::string& dir);

// Makes dir/name a link to target, replacing a link of that name (never a file or folder).
bool LinkPort(const std::string& dir, const std::string& name, const std::string& target,
              std::string* error);

// Removes dir/name if it still links to target.
void UnlinkPort(const std::string& dir, const std::string& name, const std::string& target);

}  // namespace devsim
