#include "vbXml.h"

#include "vbColor.h"
#include "vbEscape.h"
#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbLog.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

// --- flags ---

const vbString& vbXmlFlag::GetUnescName() const
{
    if (!m_bUnescNameValid) {
        m_unescName = vbUnescape(m_name);
        m_bUnescNameValid = true;
    }
    return m_unescName;
}

const vbString& vbXmlFlag::GetUnescValue() const
{
    if (!m_bUnescValueValid) {
        m_unescValue = vbUnescape(m_value);
        m_bUnescValueValid = true;
    }
    return m_unescValue;
}

// --- interface default bodies: reaching one means the purecall error ---

IvbXmlTarget* sIvbXmlSource::GetTarget() const { vbPurecall(); }
void sIvbXmlSource::PushTarget(IvbXmlTarget*) { vbPurecall(); }
IvbXmlTarget* sIvbXmlSource::PopTarget(IvbXmlTarget*) { vbPurecall(); }
void sIvbXmlSource::SetTextIgnore(bool) { vbPurecall(); }
void sIvbXmlSource::SetTextTrim(bool) { vbPurecall(); }
void sIvbXmlSource::SetSectIgnore(bool) { vbPurecall(); }
bool sIvbXmlSource::GetTextIgnore() { vbPurecall(); }
bool sIvbXmlSource::GetTextTrim() { vbPurecall(); }
bool sIvbXmlSource::GetSectIgnore() { vbPurecall(); }
int sIvbXmlSource::GetFlagCount() const { vbPurecall(); }
bool sIvbXmlSource::GetFlag(const vbString&, vbXmlFlag*) const { vbPurecall(); }
bool sIvbXmlSource::GetFlag(int, vbXmlFlag*) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagValue(const vbString&, vbString*, const char*) const { vbPurecall(); }
const vbXmlFlag* sIvbXmlSource::GetFlagPtr(const vbString&) const { vbPurecall(); }
const vbXmlFlag* sIvbXmlSource::GetFlagPtr(int) const { vbPurecall(); }
vbString sIvbXmlSource::GetFlagStr(const vbString&, const char*) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagLong(const vbString&, LONG*) const { vbPurecall(); }
LONG sIvbXmlSource::GetFlagLong(const vbString&, LONG) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagBool(const vbString&, vbBool*) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagBool(const vbString&, bool*) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagBool(const vbString&, bool) const { vbPurecall(); }
bool sIvbXmlSource::GetFlagColor(const vbString&, vbColor*) const { vbPurecall(); }
void sIvbXmlSource::SetCaseSensitive(bool) { vbPurecall(); }
int sIvbXmlSource::Compare(const vbString&, const vbString&, int) const { vbPurecall(); }
int sIvbXmlSource::Compare(const vbString&, const vbString&) const { vbPurecall(); }
vbString sIvbXmlSource::SectionAsText() const { vbPurecall(); }
void* sIvbXmlSource::GetData() const { vbPurecall(); }
void sIvbXmlSource::warning(const vbString&, const vbXmlPos&) { vbPurecall(); }
void sIvbXmlSource::warning(const vbString&, int, int) { vbPurecall(); }
void sIvbXmlSource::error(const vbString&, const vbXmlPos&) { vbPurecall(); }
void sIvbXmlSource::error(const vbString&, int, int) { vbPurecall(); }
vbString sIvbXmlSource::GetFileName() const { vbPurecall(); }
vbXmlPos sIvbXmlSource::GetCurrentPosition() const { vbPurecall(); }

const IID IID_IvbXmlTarget = {0x24BE6F7E, 0x8A9C, 0x4B8C, {0x8E, 0xCC, 0xD0, 0x60, 0x45, 0xDA, 0x57, 0x3C}};

void IvbXmlTarget::AddSection(sIvbXmlSource*, const vbString&, bool, const vbXmlPos&) { vbPurecall(); }
void IvbXmlTarget::AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) { vbPurecall(); }
void IvbXmlTarget::AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) { vbPurecall(); }
int IvbXmlTarget::CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) { vbPurecall(); }
bool IvbXmlTarget::Warning(const vbString&, int, int, const vbString&) { vbPurecall(); }
bool IvbXmlTarget::Error(const vbString&, int, int, const vbString&) { vbPurecall(); }
void IvbXmlTarget::EndParse(sIvbXmlSource*) { vbPurecall(); }

// --- the tokenizer ---

namespace {
bool isWhite(unsigned char b) { return b == ' ' || b == '\t' || b == '\n' || b == '\r'; }

bool endsWithSlash(const vbString& s) { return s.GetLength() > 0 && s.c_str()[s.GetLength() - 1] == '/'; }

void addByte(vbString* s, unsigned char b)
{
    char c = static_cast<char>(b);
    s->Add(&c, 1);
}

vbString quotedPart(const vbString& s, int quote)
{
    if (!quote)
        return s;
    char q = static_cast<char>(quote);
    return q + s + q;
}

// strtol with base 0, in 32 bits: an overflow gives the nearest bound.
LONG toLong(const vbString& s)
{
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 0);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<LONG>(v);
}

bool isTrueText(const vbString& s)
{
    if (s.IsEmpty())
        return false;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s.c_str()[0])));
    return c == 'T' || c == 'Y' || c == '1';
}
} // namespace

vbXml::vbXml() = default;
vbXml::vbXml(const vbXml& other) = default;
vbXml& vbXml::operator=(const vbXml& other) = default;
vbXml::~vbXml() = default;

void vbXml::checkInit() const
{
    if (!m_bInit)
        throw new vbEsys(E_FAIL, "vbXml::checkInit() : object not initialized : ParseStart() not called");
}

IvbXmlTarget* vbXml::target() const { return m_target.operator->(); }

void vbXml::ParseStart(IvbXmlTarget* target, const char* fileName, void* data, DWORD offset, int column, int line)
{
    m_flags.Empty();
    m_targets.Empty();
    m_target = target;
    m_fileName = fileName;
    m_pData = data;
    m_offset = offset;
    m_column = column;
    m_line = line;
    m_text.Empty();
    m_sectionName.Empty();
    m_sectionPos.init();
    m_textPos.init();
    m_bInSection = m_bEndSection = m_bSelfClosing = m_bInFlags = false;
    m_flag.Clear();
    m_pendingBlanks = -1;
    m_openQuote = 0;
    m_bEscape = false;
    m_bLineStart = true;
    m_bTextIgnore = false;
    m_bSectIgnore = false;
    m_bTextTrim = true;
    m_bCaseSensitive = false;
    m_bInit = true;
}

void vbXml::Parse(const char* bytes, DWORD count)
{
    if (m_target.IsNull()) {
        vbString text = "vbXml::Parse(" + m_fileName + ") : Target no set";
        throw new vbEsys(E_FAIL, text.c_str());
    }
    checkInit();
    for (DWORD i = 0; i < count; ++i)
        byte(static_cast<unsigned char>(bytes[i]));
}

void vbXml::ParseEnd()
{
    if (m_target.IsNull()) {
        vbString text = "vbXml::ParseEnd(" + m_fileName + ") : Target no set";
        throw new vbEsys(E_FAIL, text.c_str());
    }
    checkInit();
    if (m_openQuote) {
        const vbXmlPos& pos = m_flag.m_bHasValue ? m_flag.m_valuePos : m_flag.m_namePos;
        vbString text = "XML section '" + m_sectionName + "' / string not closed" +
            (m_bEscape ? " and escape sequence not terminated !" : " !");
        m_openQuote = 0;
        m_bEscape = false;
        error(text, pos);
    }
    if (m_bInSection) {
        error("XML section '" + m_sectionName + "' not closed !", m_sectionPos);
        sectionFeed();
    } else {
        textFeed();
    }
    target()->EndParse(this);
    if (int n = m_targets.GetLength()) {
        // The report goes to the innermost target, which is the current one.
        error(vbString(n) + " end section(s) </...> missing !", -1, -1);
        m_targets.Empty();
    }
    m_bInit = false;
    m_target = nullptr;
}

// --- counting and the byte rules ---

void vbXml::take(vbXmlPos* pos) const
{
    pos->line = m_line;
    pos->column = m_column;
    pos->offset = m_offset - 1;
    pos->length = 0;
}

void vbXml::extend(vbXmlPos* pos) const
{
    if (pos->IsValid())
        pos->length = m_offset - pos->offset;
}

// The byte joins the current flag's value (after an =) or its name.
void vbXml::appendPart(unsigned char b)
{
    vbXmlFlag& f = m_flag;
    vbXmlPos* pos = f.m_bHasValue ? &f.m_valuePos : &f.m_namePos;
    if (pos->IsEmpty())
        take(pos);
    addByte(f.m_bHasValue ? &f.m_value : &f.m_name, b);
    extend(pos);
    if (f.m_bHasValue)
        f.ValueChange();
    else
        f.NameChange();
}

void vbXml::byte(unsigned char b)
{
    if (b == '\n') {
        ++m_line;
        m_column = 0;
        m_bLineStart = true;
    } else {
        ++m_column;
    }
    ++m_offset;

    if (m_openQuote) {
        quoted(b);
        return;
    }
    if (isWhite(b) && (m_bInSection || m_bTextTrim)) {
        if (b == '\n' || m_pendingBlanks < 0)
            m_pendingBlanks = 1;
        else
            ++m_pendingBlanks;
        return;
    }
    if (m_bInSection) {
        inSection(b);
        return;
    }
    if (b == '<') {
        take(&m_sectionPos);
        m_bInSection = true;
        return;
    }
    if (m_pendingBlanks >= 0 && !m_text.IsEmpty())
        m_text += vbString(' ', m_bLineStart ? 1 : m_pendingBlanks);
    m_pendingBlanks = -1;
    m_bLineStart = false;
    if (m_text.IsEmpty())
        take(&m_textPos);
    addByte(&m_text, b);
    extend(&m_textPos);
}

void vbXml::quoted(unsigned char b)
{
    vbXmlFlag& f = m_flag;
    if (m_bEscape) {
        m_bEscape = false;
        appendPart('\\');
        appendPart(b);
    } else if (b == '\\') {
        m_bEscape = true;
    } else if (static_cast<int32_t>(b) == m_openQuote) {
        m_openQuote = 0;
        m_pendingBlanks = 0;
        extend(f.m_bHasValue ? &f.m_valuePos : &f.m_namePos);
    } else {
        if (b == '\n')
            error("XML section '" + m_sectionName + "' / string on multiple lines",
                f.m_bHasValue ? f.m_valuePos : f.m_namePos);
        appendPart(b);
    }
}

void vbXml::inSection(unsigned char b)
{
    m_bLineStart = false;
    vbXmlFlag& f = m_flag;
    if (b == '<') {
        flagFeed(false);
        if (!m_bSectIgnore)
            error("XML section '" + m_sectionName + "' not closed", m_sectionPos);
        sectionToText("");
        return;
    }
    if (b == '>') {
        extend(&m_sectionPos);
        sectionFeed();
        return;
    }
    if (b == '=') {
        if (f.m_bHasValue) {
            vbXmlFlag next;
            if (f.m_valueQuote == 0) {
                next.m_name = f.m_value;
                next.m_namePos = f.m_valuePos;
                f.m_value.Empty();
                f.m_valuePos.init();
                f.m_bHasValue = false;
                f.ValueChange();
            } else {
                take(&next.m_namePos);
            }
            flagFeed(false);
            m_flag = next;
        }
        if (m_flag.m_namePos.IsEmpty())
            take(&m_flag.m_namePos);
        m_pendingBlanks = -1;
        m_bInFlags = true;
        m_flag.m_bHasValue = true;
        return;
    }
    if (b == '"' || b == '\'') {
        int32_t q = b;
        bool value = f.m_bHasValue;
        const vbString& part = value ? f.m_value : f.m_name;
        int32_t partQuote = value ? f.m_valueQuote : f.m_nameQuote;
        if (!((part.IsEmpty() && partQuote == 0) || partQuote == q)) {
            flagFeed(false);
            value = false;
        }
        m_bInFlags = true;
        vbXmlPos* pos = value ? &m_flag.m_valuePos : &m_flag.m_namePos;
        if (pos->IsEmpty())
            take(pos);
        m_openQuote = q;
        (value ? m_flag.m_valueQuote : m_flag.m_nameQuote) = q;
        return;
    }
    if (m_bInFlags) {
        if (m_pendingBlanks >= 0) {
            m_pendingBlanks = -1;
            if (!f.m_bHasValue || !f.m_value.IsEmpty() || f.m_valueQuote)
                flagFeed(false);
        }
        appendPart(b);
        return;
    }
    // Still in the section name.
    if (b == '/' && m_sectionName.IsEmpty() && !m_bEndSection && m_offset - 1 == m_sectionPos.offset + 1) {
        m_bEndSection = true;
        return;
    }
    if (m_pendingBlanks >= 0) {
        m_pendingBlanks = -1;
        if (!m_sectionName.IsEmpty()) {
            m_bInFlags = true;
            appendPart(b);
            return;
        }
    }
    if (m_bSectIgnore && !m_bEndSection) {
        char tail[2] = {static_cast<char>(b), 0};
        sectionToText(tail);
        return;
    }
    addByte(&m_sectionName, b);
}

// The section read so far comes back as text, "<" first, then tail.
void vbXml::sectionToText(const char* tail)
{
    if (m_text.IsEmpty())
        m_textPos = m_sectionPos;
    m_text += "<";
    m_text += tail[0] ? vbString(tail) : SectionAsText();
    extend(&m_textPos);
    clearSection();
}

void vbXml::flagFeed(bool last)
{
    if (!m_bInFlags)
        return;
    vbXmlFlag& f = m_flag;
    if (last) {
        bool value = f.m_bHasValue;
        vbString& token = value ? f.m_value : f.m_name;
        if ((value ? f.m_valueQuote : f.m_nameQuote) == 0 && endsWithSlash(token)) {
            token.SetLength(token.GetLength() - 1);
            m_bSelfClosing = true;
            vbXmlPos& pos = value ? f.m_valuePos : f.m_namePos;
            if (pos.IsValid() && pos.length > 0)
                --pos.length;
            f.NameChange();
            f.ValueChange();
        }
        if (!f.m_bHasValue && f.m_name.IsEmpty() && f.m_nameQuote == 0) {
            f.Clear();
            return;
        }
    }
    m_flags.Add(f);
    f.Clear();
}

void vbXml::cutName()
{
    int n = target()->CutSectionName(this, m_sectionName, m_bEndSection, m_bSelfClosing);
    int len = m_sectionName.GetLength();
    if (n < 1 || n > len)
        return;
    vbString rest = m_sectionName.Mid(n);
    m_sectionName = m_sectionName.Left(n - 1);
    vbXmlPos pos = m_sectionPos;
    pos.column += n - 1;
    pos.offset += static_cast<DWORD>(n - 1);
    pos.length = static_cast<DWORD>(rest.GetLength());
    if (m_flags.GetLength() == 0 || !m_flags[1].m_name.IsEmpty() || m_flags[1].m_nameQuote) {
        vbXmlFlag f;
        f.m_name = rest;
        f.m_namePos = pos;
        if (m_flags.GetLength() == 0)
            m_flags.Add(f);
        else
            m_flags.Insert(1, f);
        return;
    }
    // The first flag came from an = right after the name: the rest is its name.
    vbXmlFlag& first = m_flags[1];
    first.m_name = rest;
    first.NameChange();
    const vbXmlPos& old = first.m_namePos;
    uint64_t end = old.IsValid() ? static_cast<uint64_t>(old.offset) + old.length : pos.offset;
    pos.length = end > pos.offset ? static_cast<DWORD>(end - pos.offset) : 0;
    first.m_namePos = pos;
}

void vbXml::sectionFeed()
{
    flagFeed(true);
    textFeed();
    if (!m_bEndSection && !m_bSelfClosing && m_flags.GetLength() == 0 && endsWithSlash(m_sectionName)) {
        m_sectionName.SetLength(m_sectionName.GetLength() - 1);
        m_bSelfClosing = true;
    }
    cutName();
    if (m_bEndSection)
        target()->AddSectionEnd(this, m_sectionName, m_sectionPos);
    else if (!m_bSectIgnore)
        target()->AddSection(this, m_sectionName, m_bSelfClosing, m_sectionPos);
    clearSection();
}

void vbXml::textFeed()
{
    vbString text = m_text;
    vbXmlPos pos = m_textPos;
    m_text.Empty();
    m_textPos.init();
    if (text.IsEmpty() || m_bTextIgnore)
        return;
    try {
        target()->AddText(this, text, pos);
    } catch (CException* e) {
        auto* own = dynamic_cast<vbEbase*>(e);
        bool retry = dynamic_cast<vbEdnRetry*>(e) != nullptr;
        if (!own || !(retry || dynamic_cast<vbExmlParser*>(e) || dynamic_cast<vbEsys*>(e)))
            throw;
        error(own->GetMsg(), -1, -1);
        if (retry)
            throw;
        e->Delete();
    }
}

void vbXml::clearSection()
{
    m_sectionName.Empty();
    m_pendingBlanks = -1;
    m_bInSection = m_bEndSection = m_bSelfClosing = m_bInFlags = false;
    m_flags.Empty();
    m_flag.Clear();
}

// --- options and targets ---

IvbXmlTarget* vbXml::GetTarget() const
{
    checkInit();
    return m_target;
}

void vbXml::PushTarget(IvbXmlTarget* target)
{
    checkInit();
    m_targets.Add(m_target);
    m_target = target;
}

IvbXmlTarget* vbXml::PopTarget(IvbXmlTarget* target)
{
    checkInit();
    if (target != m_target.Get())
        throw new vbEsys(E_FAIL, "vbXml::PopTarget() without its corresponding PushTarget()");
    int n = m_targets.GetLength();
    if (n == 0)
        throw new vbEsys(E_FAIL, "bXml::PopTarget() : too many end section");
    m_target = m_targets[n];
    m_targets.Delete(n);
    return m_target;
}

void vbXml::SetTextIgnore(bool b)
{
    checkInit();
    m_bTextIgnore = b;
}

void vbXml::SetTextTrim(bool b)
{
    checkInit();
    m_bTextTrim = b;
}

void vbXml::SetSectIgnore(bool b)
{
    checkInit();
    m_bSectIgnore = b;
}

void vbXml::SetCaseSensitive(bool b)
{
    checkInit();
    m_bCaseSensitive = b;
}

bool vbXml::GetTextIgnore()
{
    checkInit();
    return m_bTextIgnore;
}

bool vbXml::GetTextTrim()
{
    checkInit();
    return m_bTextTrim;
}

bool vbXml::GetSectIgnore()
{
    checkInit();
    return m_bSectIgnore;
}

void* vbXml::GetData() const
{
    checkInit();
    return m_pData;
}

vbString vbXml::GetFileName() const
{
    checkInit();
    return m_fileName;
}

vbXmlPos vbXml::GetCurrentPosition() const
{
    checkInit();
    return vbXmlPos(m_column, m_line, m_offset > 0 ? m_offset - 1 : 0, 0xFFFFFFFFu);
}

// --- flags of the section being delivered ---

int vbXml::GetFlagCount() const
{
    checkInit();
    return m_flags.GetLength();
}

const vbXmlFlag* vbXml::GetFlagPtr(int i) const
{
    checkInit();
    if (i > m_flags.GetLength())
        return nullptr;
    return &m_flags[i];
}

const vbXmlFlag* vbXml::GetFlagPtr(const vbString& name) const
{
    checkInit();
    for (int i = 1; i <= m_flags.GetLength(); ++i) {
        if (Compare(name, m_flags[i].GetUnescName()) == 0)
            return &m_flags[i];
    }
    return nullptr;
}

bool vbXml::GetFlag(int i, vbXmlFlag* out) const
{
    const vbXmlFlag* f = GetFlagPtr(i);
    if (f && out)
        *out = *f;
    return f != nullptr;
}

bool vbXml::GetFlag(const vbString& name, vbXmlFlag* out) const
{
    const vbXmlFlag* f = GetFlagPtr(name);
    if (f && out)
        *out = *f;
    return f != nullptr;
}

bool vbXml::GetFlagValue(const vbString& name, vbString* value, const char* def) const
{
    const vbXmlFlag* f = GetFlagPtr(name);
    if (f && f->HasValue()) {
        if (value)
            *value = f->GetUnescValue();
        return true;
    }
    if (value && def)
        *value = def;
    return false;
}

vbString vbXml::GetFlagStr(const vbString& name, const char* def) const
{
    vbString value;
    if (GetFlagValue(name, &value, nullptr))
        return value;
    return def ? vbString(def) : vbString();
}

bool vbXml::GetFlagLong(const vbString& name, LONG* out) const
{
    vbString value;
    if (!GetFlagValue(name, &value, nullptr) || value.IsEmpty())
        return false;
    if (out)
        *out = toLong(value);
    return true;
}

LONG vbXml::GetFlagLong(const vbString& name, LONG def) const
{
    LONG v = def;
    GetFlagLong(name, &v);
    return v;
}

bool vbXml::GetFlagBool(const vbString& name, bool* out) const
{
    const vbXmlFlag* f = GetFlagPtr(name);
    if (!f)
        return false;
    if (out)
        *out = f->HasValue() ? isTrueText(f->GetUnescValue()) : true;
    return true;
}

bool vbXml::GetFlagBool(const vbString& name, bool def) const
{
    vbString value;
    if (!GetFlagValue(name, &value, nullptr))
        return def;
    return isTrueText(value);
}

bool vbXml::GetFlagBool(const vbString& name, vbBool* out) const
{
    const vbXmlFlag* f = GetFlagPtr(name);
    if (!f)
        return false;
    if (!out)
        return true;
    if (!f->HasValue()) {
        out->SetState(1);
        return true;
    }
    const vbString& v = f->GetUnescValue();
    if (v.IsEmpty() || std::toupper(static_cast<unsigned char>(v.c_str()[0])) == 'D')
        out->SetState(2);
    else
        out->SetState(isTrueText(v) ? 1 : 0);
    return true;
}

bool vbXml::GetFlagColor(const vbString& name, vbColor* out) const
{
    vbString value;
    if (!GetFlagValue(name, &value, nullptr))
        return false;
    if (out)
        out->Set(value, false);
    return true;
}

// ASCII letters alone fold: names are compared as bytes otherwise.
int vbXml::Compare(const vbString& a, const vbString& b) const
{
    return m_bCaseSensitive ? std::strcmp(a, b) : strcasecmp(a, b);
}

int vbXml::Compare(const vbString& a, const vbString& b, int count) const
{
    if (count <= 0)
        return 0;
    size_t n = static_cast<size_t>(count);
    return m_bCaseSensitive ? std::strncmp(a, b, n) : strncasecmp(a, b, n);
}

vbString vbXml::SectionAsText() const
{
    checkInit();
    vbString out = m_bEndSection ? "/" : "";
    out += m_sectionName;
    for (int i = 1; i <= m_flags.GetLength(); ++i) {
        const vbXmlFlag& f = m_flags[i];
        out += " ";
        out += quotedPart(f.m_name, f.m_nameQuote);
        if (f.m_bHasValue)
            out += "=" + quotedPart(f.m_value, f.m_valueQuote);
    }
    if (m_bSelfClosing)
        out += "/";
    return out;
}

// --- reports ---

void vbXml::report(bool bError, const vbString& message, int column, int line)
{
    checkInit();
    if (column < 0)
        column = m_column;
    if (line < 0)
        line = m_line;
    bool dealt = bError ? target()->Error(m_fileName, column, line, message)
                        : target()->Warning(m_fileName, column, line, message);
    if (dealt || !g_vbExceptionEngine.IsToLog("vbExmlParser"))
        return;
    vbString text;
    text.Format("%s(%d) : column = %d, vbXml::%s : %s", m_fileName.c_str(), line, column,
        bError ? "ERROR" : "warning", message.c_str());
    vbRelOutput(text, true);
}

void vbXml::warning(const vbString& message, int column, int line) { report(false, message, column, line); }
void vbXml::error(const vbString& message, int column, int line) { report(true, message, column, line); }
void vbXml::warning(const vbString& message, const vbXmlPos& pos) { report(false, message, pos.column, pos.line); }
void vbXml::error(const vbString& message, const vbXmlPos& pos) { report(true, message, pos.column, pos.line); }
