// Windows-1250 (the product's code page) to and from UTF-8 (the program's inner text).
#pragma once

#include <string>
#include <string_view>

namespace konw {

// Each byte becomes its Unicode character; the five bytes without a character in the code page
// (0x81, 0x83, 0x88, 0x90, 0x98) become the C1 controls of the same number, as Windows does.
std::string cp1250ToUtf8(std::string_view text);

// Characters without a byte in the code page become '?'; so do invalid UTF-8 sequences.
std::string utf8ToCp1250(std::string_view text);

// The text with what a reader of a log cannot see written out as "\xNN": every control character but
// CR and LF (C0, DEL and C1, among these the bytes Windows-1250 leaves undefined, which decoding keeps as
// the C1 control of the same number) by its number, and every byte that is no part of UTF-8 by itself.
std::string escapeControls(std::string_view text);

// Whether `text` is well-formed UTF-8 (ASCII included).
bool isValidUtf8(std::string_view text);

// UTF-8 when valid, else decoded from Windows-1250: for files that may be in either.
std::string toUtf8Guess(std::string_view text);

// UTF-8 text with every letter that Windows-1250 has in both cases (ASCII, Polish and the other
// Central European letters) in lower case; other characters, and bytes that are not UTF-8, unchanged.
// Two names equal after it differ in letter case only, as Windows compares them.
std::string lowerCp1250Letters(std::string_view text);

// UTF-16 text (little- or big-endian, without its byte order mark) as UTF-8; a lone surrogate or an odd
// last byte becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace konw
