#pragma once

// Type-ahead text of the tree and menu engines. Text is UTF-8 and WM_CHAR brings one byte per
// message: bytes are collected until a character is whole, and the typed text only ever grows or
// shrinks by whole characters. Matching folds ASCII letters and compares other bytes exactly.

#include "guiExport.h"

#include "vbString.h"

#include <string>

class GUIAPI guiTypedText {
public:
    // One byte of a WM_CHAR; true once it completes a character, which is then in ch.
    bool Collect(unsigned char byte, std::string& ch);

    const std::string& Text() const { return m_text; }
    void Set(const std::string& text) { m_text = text; }
    bool IsEmpty() const { return m_text.empty(); }
    // Forgets the text and a character not yet complete.
    void Clear();
    // Removes the last character; answers its byte length (0 when empty).
    int RemoveLast();

    static int CharCount(const std::string& text);
    // The text with the character before its last one dropped: "ab" + "x" gives "ax".
    static std::string DropBeforeLast(const std::string& text);

private:
    std::string m_text;
    std::string m_pending;
};

// Looks for pattern in text. Candidate starts are the starts of characters, 1-based byte
// positions below `before` (0: no limit); a one-character pattern is tried at position 1 only.
// Where text and pattern differ at a space, tab, line feed or carriage return of the text, that
// character is skipped. The first match gives its start and the bytes of text it took.
GUIAPI bool guiTextMatch(const vbString& text, const std::string& pattern, int before, int* start, int* length);

// The text with byte 1 before the match and again after it when that is inside the text, the
// marks guiFont::DrawText shows the match with.
GUIAPI vbString guiTextMarkMatch(const vbString& text, int start, int length);
