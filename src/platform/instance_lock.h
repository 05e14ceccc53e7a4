// The single-instance lock: an flock on <name>.lock in $XDG_RUNTIME_DIR, or where that is
// unset or not private, in the user's own folder tarvik-<uid> of the temp folder ($TMPDIR or
// /tmp; made with mode 0700 and used only when it is the user's and closed to others). The
// kernel releases it when the process ends, so a crash never blocks the next start.
#pragma once

enum InstanceLockResult { InstanceLockHeld = 1, InstanceLockTaken = 0, InstanceLockUnavailable = -1 };

// InstanceLockHeld: this process holds the lock now; InstanceLockTaken: another process
// holds it; InstanceLockUnavailable: no lock file could be made (start without a guard).
int AcquireInstanceLock(const char* name);
void ReleaseInstanceLock();
