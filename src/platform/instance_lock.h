// The single-instance lock: an flock on <name>.lock in $XDG_RUNTIME_DIR (or the temp
// folder). The kernel releases it when the process ends, so a crash never blocks the
// next start.
#pragma once

enum InstanceLockResult { InstanceLockHeld = 1, InstanceLockTaken = 0, InstanceLockUnavailable = -1 };

// InstanceLockHeld: this process holds the lock now; InstanceLockTaken: another process
// holds it; InstanceLockUnavailable: no lock file could be made (start without a guard).
int AcquireInstanceLock(const char* name);
void ReleaseInstanceLock();
