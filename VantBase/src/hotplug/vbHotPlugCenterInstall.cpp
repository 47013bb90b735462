#include "hotplug/vbHotPlugInstall.h"
#include "hotplug/vbHotPlugger.h"

#include "vbException.h"
#include "vbLog.h"

int vbHotPlugCenter::AddInstall(const char* list)
{
    return vbHotPlugInstall::readList(
        list, [this](const vbString& url, const vbString& params) { return AddInstall(url, params); });
}

bool vbHotPlugCenter::AddInstall(const vbString& plugurl, const vbString& plugparams)
{
    PlugInfo info;
    return vbHotPlugInstall::readEntry(plugurl, plugparams, &info) && AddInstall(&info, 1) == 1;
}

int vbHotPlugCenter::AddInstall(PlugInfo* infos, int count)
{
    vbLock use(this);
    int taken = 0;
    for (int i = 0; i < count; ++i) {
        PlugInfo& info = infos[i];
        if (info.plugurl.IsEmpty()) {
            vbRelOutput("vbHotPlugCenter::AddInstall() : plugUrl is empty", true);
            continue;
        }
        if (info.ids.GetLength() == 0) {
            vbRelOutput("vbHotPlugCenter::AddInstall(" + info.plugurl + ") : no guid defined", true);
            continue;
        }
        PluggerPtr plugger;
        {
            vbSectLock lock(&m_sect);
            int pathPos = 1;
            const vbString path = vbGetModulePath(info.ids[1]);
            plugger = findPlugger(path, &pathPos);
            if (const PlugId* id = findAndCheckId(info.plugurl, info.ids.GetData(), info.ids.GetLength(), plugger,
                    nullptr))
                plugger = id->plugger;
            if (!plugger)
                plugger = newPlugger(path, info.ids[1], pathPos);
            if (plugger->AskedInfo(&info))
                ++m_updateCnt;
            addId(info.ids.GetData(), info.ids.GetLength(), plugger);
        }
        plugger->UpdateIfAsked(nullptr, 0);
        ++taken;
    }
    return taken;
}

vbHotPlugCenter::PlugId* vbHotPlugCenter::findAndCheckId(const vbString& url, const GUID* ids, int count,
    Plugger* plugger, const char*)
{
    const vbString head = "vbHotPlugCenter::AddInstall() : Can't add '" + url + "' to plugins to install : \n- ";
    PlugId* first = nullptr;
    for (int i = 0; i < count; ++i) {
        PlugId* found = m_ids.FindSorted<const GUID&>(ids[i], findPlugId, nullptr);
        if (!found)
            continue;
        Plugger* bound = found->plugger;
        if (plugger && bound != plugger)
            throw new vbEsys(head + vbString(ids[i], true) + " is already associated with module path '"
                + bound->m_modulePath + "'.- Added module path : '" + plugger->m_modulePath + "'");
        if (first && bound != first->plugger.Get())
            throw new vbEsys(head + vbString(ids[i], true) + " is associated with module path '" + bound->m_modulePath
                + "'.- " + vbString(first->clsid, true) + " is associated with module path '"
                + first->plugger->m_modulePath + "'.");
        if (!first)
            first = found;
    }
    return first;
}

void vbHotPlugCenter::addId(const GUID* ids, int count, Plugger* plugger)
{
    for (int i = 0; i < count; ++i) {
        int pos = 0;
        if (!m_ids.FindSorted<const GUID&>(ids[i], findPlugId, &pos))
            m_ids.Insert(pos, PlugId{ids[i], plugger});
    }
}
