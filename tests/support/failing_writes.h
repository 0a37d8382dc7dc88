// Makes the n-th file-system call that writes fail, for sweeps that fail every write of a
// program in turn. Linking failing_writes.cpp into a program replaces its open, openat (when
// they open for writing), write, fsync, fdatasync, rename, renameat, mkdir, mkdirat, unlink and
// unlinkat; each forwards to the next definition (the C library's, or a sanitizer's). Calls
// the C library makes inside itself (stdio's own writes to a FILE from fopen) are not seen:
// the program must write through the calls above.
//
// The program is told what to do by its environment, so that a test can run it as a user does:
//   FAIL_WRITE_NUMBER=n   the n-th counted call fails (1 for the first); 0 or unset: none fails
//   FAIL_WRITE_ERROR=E    the errno it fails with: ENOSPC (the default), EIO or EDQUOT
//   FAIL_WRITE_LOG=path   every counted call is appended to the file, one line each:
//                         "<number> <call> <path or descriptor>", with " failed" on the one
//                         that failed
// Writes to descriptors 0, 1 and 2 are not counted.
#pragma once
