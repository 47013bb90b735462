// Compiles a menu script, a subset of the resource script MENU statement, into a version-0 menu
// template:
//
//   POPUP "text"                       (a submenu; its items between BEGIN and END)
//   BEGIN
//       MENUITEM "text", id [, GRAYED | CHECKED]
//       MENUITEM SEPARATOR
//   END
//
// The file holds the menu's items; one BEGIN ... END around all of them may be given.
// Every error names the file and the line.

#pragma once

namespace menu_script {

using dialog_script::Line;
using dialog_script::failAt;

struct Node {
    uint32_t flags = 0;
    int id = 0;
    std::string text;
    std::vector<Node> children;
};

constexpr uint32_t kGrayed = 0x01, kChecked = 0x08, kPopup = 0x10, kEnd = 0x80;

inline uint32_t options(const Line& line, size_t at)
{
    uint32_t flags = 0;
    bool expectName = true;
    for (; at < line.tokens.size(); ++at) {
        const std::string word = upper(line.tokens[at]);
        if ((word == "|") == expectName)
            failAt(line, "bad option list");
        if (word == "GRAYED")
            flags |= kGrayed;
        else if (word == "CHECKED")
            flags |= kChecked;
        else if (word != "|")
            failAt(line, "unknown option " + line.tokens[at]);
        expectName = word == "|";
    }
    if (expectName)
        failAt(line, "option expected");
    return flags;
}

// The items from lines[at] up to the END that closes their level (or the file's end at the
// top); at is left on that END.
inline std::vector<Node> level(const std::vector<Line>& lines, size_t& at, bool top)
{
    std::vector<Node> nodes;
    for (; at < lines.size(); ++at) {
        const Line& line = lines[at];
        const std::string keyword = upper(line.tokens[0]);
        if (keyword == "END") {
            if (top)
                failAt(line, "END without BEGIN");
            return nodes;
        }
        Node node;
        if (keyword == "MENUITEM" && line.tokens.size() == 2 && upper(line.tokens[1]) == "SEPARATOR") {
            nodes.push_back(node);
            continue;
        }
        if (keyword == "MENUITEM") {
            if (line.tokens.size() < 4 || line.tokens[2] != ",")
                failAt(line, "MENUITEM \"text\", id expected");
            node.text = dialog_script::quoted(line, line.tokens[1]);
            node.id = dialog_script::number(line, line.tokens[3]);
            if (line.tokens.size() > 4) {
                if (line.tokens[4] != ",")
                    failAt(line, "\",\" expected");
                node.flags = options(line, 5);
            }
        } else if (keyword == "POPUP") {
            if (line.tokens.size() < 2)
                failAt(line, "POPUP \"text\" expected");
            node.text = dialog_script::quoted(line, line.tokens[1]);
            node.flags = kPopup | (line.tokens.size() > 3 && line.tokens[2] == "," ? options(line, 3) : 0);
            if (++at == lines.size() || upper(lines[at].tokens[0]) != "BEGIN")
                failAt(line, "BEGIN expected after POPUP");
            ++at;
            node.children = level(lines, at, false);
            if (at == lines.size())
                failAt(line, "END expected");
            if (node.children.empty())
                failAt(line, "an empty POPUP");
        } else {
            failAt(line, "unknown statement " + line.tokens[0]);
        }
        nodes.push_back(node);
    }
    if (!top)
        fail(lines.back().where + ": END expected");
    return nodes;
}

inline void put(Bytes& out, const std::vector<Node>& nodes)
{
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        put16(out, node.flags | (i + 1 == nodes.size() ? kEnd : 0));
        if (!(node.flags & kPopup))
            put16(out, uint32_t(node.id) & 0xFFFF);
        dialog_script::putUtf16(out, node.text);
        put(out, node.children);
    }
}

inline Bytes compile(const std::string& path)
{
    std::vector<Line> lines = dialog_script::readLines(path);
    // One BEGIN ... END may wrap the whole menu.
    if (!lines.empty() && upper(lines.front().tokens[0]) == "BEGIN") {
        if (upper(lines.back().tokens[0]) != "END" || lines.size() < 2)
            fail(path + ": END expected at the end");
        lines = std::vector<Line>(lines.begin() + 1, lines.end() - 1);
    }
    size_t at = 0;
    const std::vector<Node> nodes = level(lines, at, true);
    if (nodes.empty())
        fail(path + ": an empty menu");
    Bytes out;
    put16(out, 0); // version
    put16(out, 0); // items follow the header
    put(out, nodes);
    return out;
}

} // namespace menu_script
