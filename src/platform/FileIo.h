#pragma once
// Whole-file reads and writes on host descriptors, shared by the image's file system and its
// registry file. Writes that replace a file go through an anonymous file that gets a name only
// once its content is complete and on disk, so neither a failure (a full disk) nor the process
// being killed at any point leaves a half-written file behind.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace tidy::platform {

// Reads fd to its end (EINTR retried).
bool ReadAll(int fd, std::string& out);
// Writes all of s (short writes continued, EINTR retried).
bool WriteAll(int fd, std::string_view s);

// Reads a host file whole; error names the file and the reason.
bool ReadHostFile(const std::string& path, std::string& out, std::string& error);

// Replaces (or creates) name in the folder dirFd with bytes and the given mode, atomically:
// the old content or the new, never a torn file. Returns false with errno set on failure, and
// then nothing new is left in the folder.
bool ReplaceFileAtomically(int dirFd, const std::string& name, std::string_view bytes, mode_t mode);

}  // namespace tidy::platform
