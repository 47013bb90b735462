#pragma once

// The push tokenizer of the system's tag mark-up: sections with flags (name=value) and the text
// between them, cut from bytes handed over in chunks of any size and delivered at once to a
// target. It is no conforming XML parser: every < opens a section, and no character reference is
// decoded. Faults in the input are reported to the target with their line and column and never
// stop the run; misuse (no ParseStart, no target, unbalanced PopTarget) throws vbEsys.

#include "vbArray.h"
#include "vbExport.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbString.h"

#include "plat/types.h"

class vbColor;
class vbXml;

// A position in the input: line from the start value, column 1 for a line's first byte and 0 for
// a line break, byte offset and length of the item.
struct VBAPI vbXmlPos {
    LONG line = -1;
    LONG column = -1;
    DWORD offset = 0;
    DWORD length = 0xFFFFFFFFu;

    vbXmlPos() = default;
    vbXmlPos(int col, int ln, DWORD off, DWORD len) : line(ln), column(col), offset(off), length(len) { }
    void init() { *this = vbXmlPos(); }
    bool IsValid() const { return column >= 0; }
    bool IsEmpty() const { return column < 0; }
};

// One flag of a section, name and value as read: quotes taken off, escapes left in.
class VBAPI vbXmlFlag {
public:
    const vbString& GetName() const { return m_name; }
    const vbString& GetValue() const { return m_value; }
    const vbXmlPos& GetNamePos() const { return m_namePos; }
    const vbXmlPos& GetValuePos() const { return m_valuePos; }
    // The quote that enclosed the name / the value, 0 when none.
    int GetNameQuote() const { return m_nameQuote; }
    int GetValueQuote() const { return m_valueQuote; }
    // An = was seen.
    bool HasValue() const { return m_bHasValue; }
    // Decoded by vbUnescape once, then cached until NameChange / ValueChange.
    const vbString& GetUnescName() const;
    const vbString& GetUnescValue() const;
    void NameChange() { m_bUnescNameValid = false; }
    void ValueChange() { m_bUnescValueValid = false; }
    void Clear() { *this = vbXmlFlag(); }

private:
    friend class vbXml;

    vbXmlPos m_namePos;
    vbXmlPos m_valuePos;
    vbString m_name;
    vbString m_value;
    int32_t m_nameQuote = 0;
    int32_t m_valueQuote = 0;
    bool m_bHasValue = false;
    mutable bool m_bUnescValueValid = false;
    mutable vbString m_unescValue;
    mutable bool m_bUnescNameValid = false;
    mutable vbString m_unescName;
};

// A three-state value: 0 false, 1 true, 2 the third state (then the default bool is used).
class VBAPI vbBool {
public:
    vbBool(int32_t state = 0) noexcept : m_state(state) { }
    int32_t GetState() const noexcept { return m_state; }
    void SetState(int32_t state) noexcept { m_state = state; }
    bool GetDefault() const noexcept { return m_bDefault; }
    void SetDefault(bool b) noexcept { m_bDefault = b; }
    // The state as a bool, the default standing in for state 2.
    bool GetBool() const noexcept { return m_state == 2 ? m_bDefault : m_state != 0; }
    bool operator==(const vbBool& o) const noexcept { return m_state == o.m_state && m_bDefault == o.m_bDefault; }
    bool operator!=(const vbBool& o) const noexcept { return !(*this == o); }

private:
    int32_t m_state;
    bool m_bDefault = false;
};

class IvbXmlTarget;
extern VBAPI const IID IID_IvbXmlTarget;
using vbXmlTargetPtr = vbRefPtr<IvbXmlTarget, &IID_IvbObject>;

// The tokenizer as a target sees it during an event.
class VBAPI sIvbXmlSource {
public:
    virtual IvbXmlTarget* GetTarget() const;
    virtual void PushTarget(IvbXmlTarget* target);
    virtual IvbXmlTarget* PopTarget(IvbXmlTarget* target);
    virtual void SetTextIgnore(bool b);
    virtual void SetTextTrim(bool b);
    virtual void SetSectIgnore(bool b);
    virtual bool GetTextIgnore();
    virtual bool GetTextTrim();
    virtual bool GetSectIgnore();
    virtual int GetFlagCount() const;
    virtual bool GetFlag(const vbString& name, vbXmlFlag* out) const;
    virtual bool GetFlag(int i, vbXmlFlag* out) const;
    virtual bool GetFlagValue(const vbString& name, vbString* value, const char* def) const;
    virtual const vbXmlFlag* GetFlagPtr(const vbString& name) const;
    virtual const vbXmlFlag* GetFlagPtr(int i) const;
    virtual vbString GetFlagStr(const vbString& name, const char* def) const;
    virtual bool GetFlagLong(const vbString& name, LONG* out) const;
    virtual LONG GetFlagLong(const vbString& name, LONG def) const;
    virtual bool GetFlagBool(const vbString& name, vbBool* out) const;
    virtual bool GetFlagBool(const vbString& name, bool* out) const;
    virtual bool GetFlagBool(const vbString& name, bool def) const;
    virtual bool GetFlagColor(const vbString& name, vbColor* out) const;
    virtual void SetCaseSensitive(bool b);
    virtual int Compare(const vbString& a, const vbString& b, int count) const;
    virtual int Compare(const vbString& a, const vbString& b) const;
    virtual vbString SectionAsText() const;
    virtual void* GetData() const;
    virtual void warning(const vbString& message, const vbXmlPos& pos);
    virtual void warning(const vbString& message, int column, int line);
    virtual void error(const vbString& message, const vbXmlPos& pos);
    virtual void error(const vbString& message, int column, int line);
    virtual vbString GetFileName() const;
    virtual vbXmlPos GetCurrentPosition() const;

protected:
    sIvbXmlSource() = default;
    sIvbXmlSource(const sIvbXmlSource&) = default;
    sIvbXmlSource& operator=(const sIvbXmlSource&) = default;
    ~sIvbXmlSource() = default;
};

// The receiver of the events. Warning and Error answer true when the target dealt with the report.
class VBAPI IvbXmlTarget : public IvbObject {
public:
    virtual void AddSection(sIvbXmlSource* src, const vbString& name, bool selfClosing, const vbXmlPos& pos);
    virtual void AddSectionEnd(sIvbXmlSource* src, const vbString& name, const vbXmlPos& pos);
    virtual void AddText(sIvbXmlSource* src, const vbString& text, const vbXmlPos& pos);
    // 1-based position where the section name ends and a flag name begins; anything else keeps it.
    virtual int CutSectionName(sIvbXmlSource* src, const vbString& name, bool endSection, bool selfClosing);
    virtual bool Warning(const vbString& fileName, int column, int line, const vbString& message);
    virtual bool Error(const vbString& fileName, int column, int line, const vbString& message);
    virtual void EndParse(sIvbXmlSource* src);

protected:
    IvbXmlTarget() = default;
    ~IvbXmlTarget() = default;
};

class VBAPI vbXml : public sIvbXmlSource {
public:
    vbXml();
    vbXml(const vbXml& other);
    vbXml& operator=(const vbXml& other);
    virtual ~vbXml();

    virtual void ParseStart(IvbXmlTarget* target, const char* fileName, void* data, DWORD offset, int column, int line);
    virtual void Parse(const char* bytes, DWORD count);
    virtual void ParseEnd();

    IvbXmlTarget* GetTarget() const override;
    void PushTarget(IvbXmlTarget* target) override;
    IvbXmlTarget* PopTarget(IvbXmlTarget* target) override;
    void SetTextIgnore(bool b) override;
    void SetTextTrim(bool b) override;
    void SetSectIgnore(bool b) override;
    bool GetTextIgnore() override;
    bool GetTextTrim() override;
    bool GetSectIgnore() override;
    int GetFlagCount() const override;
    bool GetFlag(const vbString& name, vbXmlFlag* out) const override;
    bool GetFlag(int i, vbXmlFlag* out) const override;
    bool GetFlagValue(const vbString& name, vbString* value, const char* def) const override;
    const vbXmlFlag* GetFlagPtr(const vbString& name) const override;
    const vbXmlFlag* GetFlagPtr(int i) const override;
    vbString GetFlagStr(const vbString& name, const char* def) const override;
    bool GetFlagLong(const vbString& name, LONG* out) const override;
    LONG GetFlagLong(const vbString& name, LONG def) const override;
    bool GetFlagBool(const vbString& name, vbBool* out) const override;
    bool GetFlagBool(const vbString& name, bool* out) const override;
    bool GetFlagBool(const vbString& name, bool def) const override;
    bool GetFlagColor(const vbString& name, vbColor* out) const override;
    void SetCaseSensitive(bool b) override;
    int Compare(const vbString& a, const vbString& b, int count) const override;
    int Compare(const vbString& a, const vbString& b) const override;
    vbString SectionAsText() const override;
    void* GetData() const override;
    void warning(const vbString& message, const vbXmlPos& pos) override;
    void warning(const vbString& message, int column, int line) override;
    void error(const vbString& message, const vbXmlPos& pos) override;
    void error(const vbString& message, int column, int line) override;
    vbString GetFileName() const override;
    vbXmlPos GetCurrentPosition() const override;

private:
    void checkInit() const;
    IvbXmlTarget* target() const;
    void report(bool bError, const vbString& message, int column, int line);
    void byte(unsigned char b);
    void quoted(unsigned char b);
    void inSection(unsigned char b);
    void take(vbXmlPos* pos) const;
    void extend(vbXmlPos* pos) const;
    void appendPart(unsigned char b);
    void flagFeed(bool last);
    void sectionFeed();
    void cutName();
    void textFeed();
    void sectionToText(const char* tail);
    void clearSection();

    vbArray<vbXmlFlag> m_flags;
    vbXmlTargetPtr m_target;
    vbArray<vbXmlTargetPtr> m_targets;
    vbXmlPos m_sectionPos;
    vbXmlPos m_textPos;
    vbString m_text;
    vbString m_sectionName;
    bool m_bInSection = false;
    bool m_bEndSection = false;
    bool m_bSelfClosing = false;
    bool m_bLineStart = true;
    bool m_bInFlags = false;
    vbXmlFlag m_flag;
    int32_t m_pendingBlanks = -1;
    int32_t m_openQuote = 0;
    bool m_bEscape = false;
    bool m_bTextIgnore = false;
    bool m_bSectIgnore = false;
    bool m_bTextTrim = true;
    bool m_bCaseSensitive = false;
    int32_t m_column = 0;
    int32_t m_line = 0;
    DWORD m_offset = 0;
    vbString m_fileName;
    void* m_pData = nullptr;
    bool m_bInit = false;
};
