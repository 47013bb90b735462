// Feeds untrusted mark-up to the tokenizer, cut into chunks at positions taken from the first
// bytes, with targets that read every flag through every getter, cut section names and push and
// pop targets. Nothing may crash or throw (misuse aside), every reported position must lie inside
// the input, and the events must equal those of feeding the input whole.
//
// Every input is parsed twice, every flag read through every getter, and the fuzzer counts the
// many branches each input covers: it runs several hundred inputs a second.

#include "vbColor.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbXml.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A first character and the parts after it: the text of an event, a place or a flag.
template <class... Parts>
std::string joined(char first, const Parts&... parts)
{
    std::string e(1, first);
    ((e += parts), ...);
    return e;
}

struct Run {
    std::vector<std::string> events;
    size_t size = 0;
    int cut = 0;
    int depth = 0;
};

void checkPos(const Run& run, const vbXmlPos& p)
{
    if (p.IsEmpty())
        return;
    if (p.offset > run.size || static_cast<uint64_t>(p.offset) + p.length > run.size)
        std::abort();
}

class Target : public IvbXmlTarget {
public:
    Target(Run* run, Target* inner) : m_run(run), m_inner(inner) { }

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    void AddSection(sIvbXmlSource* src, const vbString& name, bool selfClosing, const vbXmlPos& pos) override
    {
        checkPos(*m_run, pos);
        m_run->events.push_back(joined('S', std::string(name), selfClosing ? "/" : "", place(pos), readFlags(src)));
        if (m_inner && name.GetLength() > 0 && name.c_str()[0] == 'p') {
            src->PushTarget(m_inner);
            ++m_run->depth;
        }
    }
    void AddSectionEnd(sIvbXmlSource* src, const vbString& name, const vbXmlPos& pos) override
    {
        checkPos(*m_run, pos);
        m_run->events.push_back(joined('E', std::string(name), place(pos)));
        if (m_run->depth > 0 && name.GetLength() > 0 && name.c_str()[0] == 'p') {
            src->PopTarget(this);
            --m_run->depth;
        }
    }
    void AddText(sIvbXmlSource*, const vbString& text, const vbXmlPos& pos) override
    {
        checkPos(*m_run, pos);
        m_run->events.push_back(joined('T', std::string(text), place(pos)));
    }
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return m_run->cut; }
    bool Warning(const vbString&, int column, int line, const vbString& message) override
    {
        m_run->events.push_back(joined('W', std::string(message), std::to_string(line), ":", std::to_string(column)));
        return true;
    }
    bool Error(const vbString&, int column, int line, const vbString& message) override
    {
        m_run->events.push_back(joined('X', std::string(message), std::to_string(line), ":", std::to_string(column)));
        return true;
    }
    void EndParse(sIvbXmlSource*) override { m_run->events.push_back("END"); }

private:
    static std::string place(const vbXmlPos& p)
    {
        return joined('@', std::to_string(p.line), ":", std::to_string(p.column), ":", std::to_string(p.offset), "+",
            std::to_string(p.length));
    }

    std::string readFlags(sIvbXmlSource* src)
    {
        std::string out;
        for (int i = 1; i <= src->GetFlagCount(); ++i) {
            const vbXmlFlag* f = src->GetFlagPtr(i);
            checkPos(*m_run, f->GetNamePos());
            checkPos(*m_run, f->GetValuePos());
            const vbString& name = f->GetUnescName();
            LONG l = 0;
            bool b = false;
            vbBool vb;
            vbString value;
            vbColor color;
            out += joined(' ', std::string(name), "=", std::string(f->GetUnescValue()));
            out += std::to_string(src->GetFlagLong(name, &l)) + std::to_string(l);
            out += std::to_string(src->GetFlagLong(name, 7L));
            out += std::to_string(src->GetFlagBool(name, &b)) + std::to_string(b);
            out += std::to_string(src->GetFlagBool(name, true));
            out += std::to_string(src->GetFlagBool(name, &vb)) + std::to_string(vb.GetState());
            out += std::to_string(src->GetFlagValue(name, &value, "d")) + std::string(value);
            out += std::string(src->GetFlagStr(name, "s"));
            out += std::to_string(src->GetFlagColor(name, &color));
            vbXmlFlag copy;
            src->GetFlag(name, &copy);
        }
        return out + "|" + std::string(src->SectionAsText());
    }

    Run* m_run;
    Target* m_inner;
};

void run(Run& r, const char* doc, size_t size, const std::vector<size_t>& cuts)
{
    Target inner(&r, nullptr);
    Target outer(&r, &inner);
    vbXml x;
    x.ParseStart(&outer, "fuzz.xml", nullptr, 0, 0, 1);
    size_t from = 0;
    for (size_t c : cuts) {
        x.Parse(doc + from, static_cast<DWORD>(c - from));
        from = c;
    }
    x.Parse(doc + from, static_cast<DWORD>(size - from));
    x.ParseEnd();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // colour texts that are no colours write log lines
    if (size < 4)
        return 0;
    const int cut = data[0] % 4;
    std::vector<size_t> cuts;
    const char* doc = reinterpret_cast<const char*>(data + 4);
    const size_t docSize = size - 4;
    size_t last = 0;
    for (int i = 1; i < 4 && docSize > 0; ++i) {
        size_t c = last + data[i] % (docSize - last + 1);
        cuts.push_back(c);
        last = c;
    }
    Run whole, chunked;
    whole.size = chunked.size = docSize;
    whole.cut = chunked.cut = cut;
    try {
        run(whole, doc, docSize, {});
        run(chunked, doc, docSize, cuts);
    } catch (CException* e) {
        // No exception may come out of a run with balanced targets.
        e->Delete();
        std::abort();
    }
    if (whole.events != chunked.events)
        std::abort();
    return 0;
}
