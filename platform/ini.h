// Reading one key of an INI file the way the Windows private-profile read does.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace konw {

// Longest value returned (the read's 256-byte buffer less its terminator), in characters.
inline constexpr std::size_t kProfileValueMax = 255;

// An INI file's bytes as UTF-8 text: UTF-16 (little- or big-endian) when it starts with that byte order
// mark, else UTF-8 when valid, else Windows-1250.
std::string profileText(std::string_view raw);

// The value of `key` in `section` of INI text already decoded to UTF-8. Sections and keys match
// without regard to letter case (Windows-1250's letters); the first matching section and, in it, the first
// matching key win. Lines starting with ';' and blank lines are skipped; names and values are trimmed of
// blanks and tabs; a value enclosed in matching quotes (" or ') loses them; the result is cut to 255
// characters. `defaultText` (trailing blanks removed, cut likewise) when the section or key is missing or the
// key line has no '='.
// `cut` (when given) tells whether the key's value was longer and is cut.
std::string profileValue(std::string_view content, const std::string& section, const std::string& key,
                         const std::string& defaultText, bool* cut = nullptr);

// The host file an INI file name refers to. A bare name (no drive, no directory) is a file of the
// system's Windows directory: $WINEPREFIX/drive_c/windows/ (default ~/.wine), matched ignoring case;
// "WIN.INI" is taken from the variable KONWERSJA_WININI when that is set. Any other name goes through
// hostPath.
std::filesystem::path profileFilePath(const std::string& fileName);

// Reads the key from the file: `defaultText` when the file cannot be read. The file may be UTF-8,
// Windows-1250 or UTF-16 with a byte order mark (see profileText); the result is UTF-8.
std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultText, const std::string& fileName,
                              bool* cut = nullptr);

}  // namespace konw
