// Who else uses a serial device: other processes that have it open, and the lock files
// ("LCK..<name>" in the system's lock folder) by which Linux serial tools claim a port.
// A port that is held either way is not ours to use: a second reader would take some of
// the device's answers.
#pragma once

#include <sys/types.h>

#include <string>

// Whether another process has the device open, as far as the system lets us see (an
// ordinary user does not see other users' processes). The far end of a pseudo-terminal, a
// process that holds its master, is the line's other side and does not count.
bool OpenedByAnotherProcess(dev_t device);

// The lock folder: $TARVIK_LOCK_DIR (an absolute path), else /run/lock, else /var/lock.
std::string LockFolder();
// The lock file's name for a device path: "LCK..ttyUSB0", "LCK..pts_3".
std::string LockFileName(const char* devicePath);

// Claims the device by its lock file. SerialOk with *lockPath set to the file made (empty
// when the folder takes no files from us: the port is used unclaimed); SerialBusy when a
// live process holds the lock. A lock of a process that no longer runs is removed.
int TakePortLock(const char* devicePath, std::string* lockPath);
// Removes the lock file made by TakePortLock, if it is still ours.
void ReleasePortLock(const std::string& lockPath);
