#pragma once
// The process-wide guard of the movie library, shared by every movie reader and
// writer: a user count under one mutex. The library is set up when the first user
// arrives and closed when the last one leaves.

// Adds one user; returns the new count (1 for the first user).
int GetLock();
// Removes one user; returns the new count (0 when the last user left), or -1 when
// there was no user to remove.
int ReleaseLock();
// The current number of users.
int avi_lock_users();
