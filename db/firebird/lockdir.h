// Where the in-process engine keeps its lock files. The engine maps them into memory and grows them as it
// needs; on a file system with no room left the process dies of a bus error at its next write, without a
// word. So the program chooses the folder itself (one of its own, where it found room) and tells the engine
// through FIREBIRD_LOCK before the client library starts; an in-process connection without that room is
// refused with what to free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace db::firebird {

// Room a folder must have for the engine's lock files (its lock table, events, monitoring).
inline constexpr std::uint64_t kLockRoom = 8u << 20;

// The folders tried, in order: the one named by KONWERSJA_FB_LOCK alone when set; else FIREBIRD_LOCK's when
// set; else konwersja-firebird-UID under XDG_RUNTIME_DIR, TMPDIR, /tmp and /var/tmp.
std::vector<std::string> lockFolderCandidates();

// Empty when `folder` exists or could be made (mode 0700) and `room` bytes could be reserved in it now
// (a file of that size written, then removed); otherwise why not, in Polish.
std::string lockFolderProblem(const std::string& folder, std::uint64_t room = kLockRoom);

// Chooses the first candidate with room and sets FIREBIRD_LOCK to it (the first candidate when none has
// any). Called once, before the client library's first call.
void chooseLockFolder();

// Empty when the folder chosen has room for the lock files now; otherwise the refusal of an in-process
// connection, naming the folders and what to do.
std::string lockFolderRefusal();

}  // namespace db::firebird
