// The file status an item shows and its read-only mark, taken from an fstat
// record the reader already has instead of asking the system again.
//
// Free functions; callable from any thread. The mount cache behind
// UserMayWriteStatus has its own leaf mutex, taken with no other lock held.
#pragma once

#include "imaging/ImageItem.h"

#include <string>
#include <sys/stat.h>

namespace lumora {

// The item's copy of an fstat record.
FileStatus FileStatusOf(const struct stat& st);

// Whether this user may write the file whose status st is, as the system
// would decide for an open() for writing. Decided from st where its mode and
// owner settle it: the owner's class bits for the owner, no write bit in the
// group or other class for anybody else (an ACL cannot grant more than the
// group class bits), any file for the superuser with its right to override
// permissions. The system is asked (faccessat on path) where they do not: a
// file that another user owns with a group or other write bit (groups,
// ACLs), a superuser without that right or a file of an owner its user
// namespace does not map. A file on a read-only mount is never writable;
// whether a device is mounted read-only is asked once per device and
// second. Not seen without asking: the immutable attribute, and a network
// server that refuses what the mode allows. euid is the effective user id
// to decide for.
bool UserMayWriteStatus(const struct stat& st, const std::string& path, uid_t euid);
bool UserMayWriteStatus(const struct stat& st, const std::string& path);

// The process's effective user id, read once: this program does not change
// its ids (a child that does passes its own to UserMayWriteStatus).
uid_t EffectiveUser();

// stat of path into status and readOnly; false (both left alone) when the
// file cannot be read.
bool ReadFileStatus(const std::string& path, FileStatus& status, bool& readOnly);

} // namespace lumora
