// Compiles a dialog script, a subset of the resource script DIALOGEX statement, into a
// DLGTEMPLATEEX:
//
//   DIALOGEX x, y, cx, cy
//   STYLE DS_SETFONT | WS_POPUP | 0x10      EXSTYLE ...      CAPTION "text"      FONT 8, "face"
//   BEGIN
//       CONTROL "text", id, "class", style, x, y, cx, cy
//       LTEXT | PUSHBUTTON | DEFPUSHBUTTON "text", id, x, y, cx, cy [, style]
//       ICON "name or number", id, x, y [, cx, cy]
//   END
//
// Every error names the file and the line.

#pragma once


namespace dialog_script {

struct Line {
    std::string where;
    std::vector<std::string> tokens; // words, numbers, quoted texts (kept with their quotes), ",", "|"
};

[[noreturn]] inline void failAt(const Line& line, const std::string& message) { fail(line.where + ": " + message); }

inline std::vector<std::string> tokenize(const std::string& text, const std::string& where)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            break;
        } else if (c == ',' || c == '|') {
            out.push_back(std::string(1, c));
            ++i;
        } else if (c == '"') {
            size_t end = i + 1;
            while (end < text.size() && text[end] != '"')
                end += text[end] == '\\' ? 2 : 1;
            if (end >= text.size())
                fail(where + ": unterminated text");
            out.push_back(text.substr(i, end + 1 - i));
            i = end + 1;
        } else {
            size_t end = text.find_first_of(" \t\r,|\"", i);
            if (end == std::string::npos)
                end = text.size();
            out.push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

inline uint32_t styleName(const Line& line, const std::string& word)
{
    static const std::map<std::string, uint32_t> kNames = {{"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000},
        {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000}, {"WS_CLIPSIBLINGS", 0x04000000},
        {"WS_CLIPCHILDREN", 0x02000000}, {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000},
        {"WS_DLGFRAME", 0x00400000}, {"WS_VSCROLL", 0x00200000}, {"WS_HSCROLL", 0x00100000},
        {"WS_SYSMENU", 0x00080000}, {"WS_THICKFRAME", 0x00040000}, {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000}, {"WS_MAXIMIZEBOX", 0x00010000},
        {"WS_EX_DLGMODALFRAME", 0x1}, {"WS_EX_TOPMOST", 0x8}, {"WS_EX_TOOLWINDOW", 0x80},
        {"WS_EX_CLIENTEDGE", 0x200}, {"WS_EX_STATICEDGE", 0x20000}, {"WS_EX_APPWINDOW", 0x40000},
        {"WS_EX_CONTROLPARENT", 0x10000}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80}, {"DS_NOIDLEMSG", 0x100},
        {"DS_SETFOREGROUND", 0x200}, {"DS_3DLOOK", 0x4}, {"DS_CENTER", 0x800}, {"SS_LEFT", 0}, {"SS_CENTER", 1},
        {"SS_RIGHT", 2}, {"SS_ICON", 3}, {"SS_NOTIFY", 0x100}, {"SS_SUNKEN", 0x1000}, {"BS_PUSHBUTTON", 0},
        {"BS_DEFPUSHBUTTON", 1}, {"BS_CHECKBOX", 2}, {"BS_AUTOCHECKBOX", 3}, {"BS_RADIOBUTTON", 4},
        {"BS_GROUPBOX", 7}, {"BS_AUTORADIOBUTTON", 9}, {"ES_LEFT", 0}, {"ES_MULTILINE", 4},
        {"ES_AUTOHSCROLL", 0x80}, {"ES_READONLY", 0x800}, {"CBS_DROPDOWNLIST", 3}, {"LBS_NOTIFY", 1}};
    if (!word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])))) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(word.c_str(), &end, 0);
        if (*end || v > 0xFFFFFFFFul)
            failAt(line, "bad number " + word);
        return uint32_t(v);
    }
    auto it = kNames.find(word);
    if (it == kNames.end())
        failAt(line, "unknown style " + word);
    return it->second;
}

// Reads "a | b | c" from position at; answers the position after it.
inline size_t styleExpr(const Line& line, size_t at, uint32_t& value)
{
    value = 0;
    bool expectName = true;
    for (; at < line.tokens.size() && line.tokens[at] != ","; ++at) {
        const bool bar = line.tokens[at] == "|";
        if (bar == expectName)
            failAt(line, "bad style expression");
        if (!bar)
            value |= styleName(line, line.tokens[at]);
        expectName = bar;
    }
    if (expectName)
        failAt(line, "style expected");
    return at;
}

inline int number(const Line& line, const std::string& word)
{
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 0);
    if (word.empty() || *end || v < -32768 || v > 0xFFFF)
        failAt(line, "bad number " + word);
    return int(v);
}

inline std::string quoted(const Line& line, const std::string& token)
{
    if (token.size() < 2 || token.front() != '"')
        failAt(line, "text in double quotes expected");
    return unescape(token.substr(1, token.size() - 2), line.where);
}

// The comma-separated arguments after the keyword; a style expression counts as one.
inline std::vector<std::string> arguments(const Line& line, std::vector<uint32_t>& styles)
{
    std::vector<std::string> out;
    for (size_t at = 1; at < line.tokens.size();) {
        const std::string& t = line.tokens[at];
        const bool expression = at + 1 < line.tokens.size() && line.tokens[at + 1] == "|";
        if (expression || (!t.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_'))) {
            uint32_t v;
            at = styleExpr(line, at, v);
            styles.push_back(v);
            out.push_back("$" + std::to_string(styles.size() - 1));
        } else {
            out.push_back(t);
            ++at;
        }
        if (at < line.tokens.size()) {
            if (line.tokens[at] != ",")
                failAt(line, "comma expected");
            ++at;
        }
    }
    return out;
}

inline uint32_t styleArg(const Line& line, const std::string& arg, const std::vector<uint32_t>& styles)
{
    if (!arg.empty() && arg[0] == '$')
        return styles[std::stoul(arg.substr(1))];
    return uint32_t(number(line, arg));
}

inline void putUtf16(Bytes& out, const std::string& utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        uint32_t c = uint8_t(utf8[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            c &= 0x3F >> extra;
        for (++i; extra-- > 0 && i < utf8.size(); ++i)
            c = c << 6 | (uint8_t(utf8[i]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            put16(out, 0xD800 + (c >> 10));
            put16(out, 0xDC00 + (c & 0x3FF));
        } else {
            put16(out, c);
        }
    }
    put16(out, 0);
}

inline void putNameOrOrdinal(Bytes& out, const std::string& text, bool numbersAreOrdinals)
{
    if (numbersAreOrdinals && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        put16(out, 0xFFFF);
        put16(out, uint32_t(std::strtoul(text.c_str(), nullptr, 10)));
    } else {
        putUtf16(out, text);
    }
}

inline void putClass(Bytes& out, const std::string& name)
{
    static const char* const kOrdinals[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    for (uint32_t i = 0; i < 6; ++i)
        if (upper(name) == kOrdinals[i]) {
            put16(out, 0xFFFF);
            put16(out, 0x80 + i);
            return;
        }
    putUtf16(out, name);
}

struct Item {
    uint32_t style, exStyle = 0, id;
    int x, y, cx, cy;
    std::string cls, text;
    bool textOrdinal = false;
};

constexpr uint32_t kChildVisible = 0x40000000 | 0x10000000;

inline Item control(const Line& line)
{
    std::vector<uint32_t> styles;
    const std::vector<std::string> args = arguments(line, styles);
    const std::string& keyword = line.tokens[0];
    Item item;
    auto need = [&](size_t low, size_t high) {
        if (args.size() < low || args.size() > high)
            failAt(line, keyword + ": wrong number of arguments");
    };
    auto place = [&](size_t at) {
        item.x = number(line, args[at]), item.y = number(line, args[at + 1]);
        item.cx = number(line, args[at + 2]), item.cy = number(line, args[at + 3]);
    };
    if (keyword == "CONTROL") {
        need(8, 9);
        item.text = quoted(line, args[0]);
        item.id = uint32_t(number(line, args[1]));
        item.cls = quoted(line, args[2]);
        item.style = styleArg(line, args[3], styles) | kChildVisible;
        place(4);
        if (args.size() == 9)
            item.exStyle = styleArg(line, args[8], styles);
    } else if (keyword == "LTEXT" || keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON") {
        need(6, 7);
        item.text = quoted(line, args[0]);
        item.id = uint32_t(number(line, args[1]));
        place(2);
        const bool text = keyword == "LTEXT";
        item.cls = text ? "STATIC" : "BUTTON";
        item.style = kChildVisible | (text ? 0x00020000u : 0x00010000u | (keyword == "DEFPUSHBUTTON" ? 1u : 0u));
        if (args.size() == 7)
            item.style |= styleArg(line, args[6], styles);
    } else if (keyword == "ICON") {
        need(4, 6);
        item.text = args[0].front() == '"' ? quoted(line, args[0]) : args[0];
        item.textOrdinal = args[0].front() != '"';
        item.id = uint32_t(number(line, args[1]));
        item.x = number(line, args[2]), item.y = number(line, args[3]);
        item.cx = args.size() == 6 ? number(line, args[4]) : 0;
        item.cy = args.size() == 6 ? number(line, args[5]) : 0;
        item.cls = "STATIC";
        item.style = kChildVisible | 3; // SS_ICON
    } else {
        failAt(line, "unknown control statement " + keyword);
    }
    return item;
}

// The file's lines that hold tokens.
inline std::vector<Line> readLines(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        fail("cannot read " + path);
    std::vector<Line> lines;
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        Line line{path + ":" + std::to_string(n), tokenize(text, path + ":" + std::to_string(n))};
        if (!line.tokens.empty())
            lines.push_back(line);
    }
    return lines;
}

inline Bytes compile(const std::string& path)
{
    const std::vector<Line> lines = readLines(path);
    if (lines.empty() || upper(lines[0].tokens[0]) != "DIALOGEX")
        fail(path + ": DIALOGEX expected");
    uint32_t style = 0x80000000 | 0x00800000 | 0x00080000, exStyle = 0; // WS_POPUP | WS_BORDER | WS_SYSMENU
    std::string caption, face;
    int pointSize = 0;
    std::vector<uint32_t> unused;
    const std::vector<std::string> box = arguments(lines[0], unused);
    if (box.size() != 4)
        failAt(lines[0], "DIALOGEX x, y, cx, cy expected");
    size_t at = 1;
    for (; at < lines.size() && upper(lines[at].tokens[0]) != "BEGIN"; ++at) {
        const Line& line = lines[at];
        const std::string keyword = upper(line.tokens[0]);
        if (keyword == "STYLE" || keyword == "EXSTYLE") {
            uint32_t v;
            if (styleExpr(line, 1, v) != line.tokens.size())
                failAt(line, "bad style expression");
            (keyword == "STYLE" ? style : exStyle) = v;
        } else if (keyword == "CAPTION" && line.tokens.size() == 2) {
            caption = quoted(line, line.tokens[1]);
        } else if (keyword == "FONT" && line.tokens.size() == 4 && line.tokens[2] == ",") {
            pointSize = number(line, line.tokens[1]);
            face = quoted(line, line.tokens[3]);
            style |= 0x40; // DS_SETFONT
        } else {
            failAt(line, "unknown statement " + line.tokens[0]);
        }
    }
    if (at == lines.size())
        fail(path + ": BEGIN expected");
    std::vector<Item> items;
    for (++at; at < lines.size() && upper(lines[at].tokens[0]) != "END"; ++at)
        items.push_back(control(lines[at]));
    if (at == lines.size())
        fail(path + ": END expected");
    if (at + 1 != lines.size())
        failAt(lines[at + 1], "text after END");

    Bytes out;
    put16(out, 1);
    put16(out, 0xFFFF);
    put32(out, 0); // help id
    put32(out, exStyle);
    put32(out, style);
    put16(out, uint32_t(items.size()));
    for (const std::string& v : box)
        put16(out, uint32_t(number(lines[0], v)) & 0xFFFF);
    put16(out, 0); // no menu
    put16(out, 0); // the dialog class
    putUtf16(out, caption);
    if (style & 0x40) {
        put16(out, uint32_t(pointSize));
        put16(out, 400); // FW_NORMAL
        out.push_back(0);
        out.push_back(1); // DEFAULT_CHARSET
        putUtf16(out, face);
    }
    for (const Item& item : items) {
        pad(out, 4);
        put32(out, 0); // help id
        put32(out, item.exStyle);
        put32(out, item.style);
        for (int v : {item.x, item.y, item.cx, item.cy})
            put16(out, uint32_t(v) & 0xFFFF);
        put32(out, item.id);
        putClass(out, item.cls);
        putNameOrOrdinal(out, item.text, item.textOrdinal);
        put16(out, 0); // no creation data
    }
    return out;
}

} // namespace dialog_script
