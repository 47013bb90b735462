#pragma once

// Reading and writing the desktop's entry files (shell links, file types): their lines, their
// "key=value" pairs and their replacement in one step.

#include "plat/types.h"

#include <string>
#include <vector>

namespace plat::shell {

inline constexpr size_t kMaxEntryFileBytes = size_t(1) << 20;
inline constexpr char kEntryGroup[] = "[Desktop Entry]";

std::string trimmed(const std::string& s);
bool isGroupLine(const std::string& line);
// The key of a "key=value" line, or empty; value, when given, receives the text after "=".
std::string keyOf(const std::string& line, std::string* value = nullptr);

// The file's bytes; false with hr when it cannot be read or is no text of a sensible size.
bool readEntryFile(const std::string& path, std::string& text, HRESULT& hr);
// The text's lines, each without its line end ("\n" with any "\r" before it).
std::vector<std::string> entryLines(const std::string& text);
// Writes a new file beside path and renames it over path, so a reader sees the old file or the
// new one and a failure leaves the old one.
HRESULT replaceTextFile(const std::string& path, const std::string& text);

} // namespace plat::shell
