#include "guiMsToolBar.h"

#include "vbException.h"

#include <cstring>
#include <string>

namespace {

constexpr BYTE kChecked = TBSTATE_CHECKED;
constexpr BYTE kEnabled = TBSTATE_ENABLED;
constexpr BYTE kHidden = TBSTATE_HIDDEN;

bool sameText(const vbString& a, const vbString& b) { return std::strcmp(a.c_str(), b.c_str()) == 0; }

int stateOf(bool enabled, bool visible) { return (enabled ? kEnabled : 0) | (visible ? 0 : kHidden); }

} // namespace

// ---------------------------------------------------------------------------------------------
// Button handles.

int guiMsTBbutton::GetIndex()
{
    MustBeValid();
    return owner()->CommandToIndex(static_cast<UINT>(id()));
}

bool guiMsTBbutton::GetBtnRect(RECT* rect)
{
    const int index = GetIndex();
    if (index < 0 || !owner()->GetItemRect(index, rect))
        return false;
    owner()->ClientToScreen(rect);
    return true;
}

void guiMsTBbutton::setStateBit(BYTE bit, bool set, const char* failure)
{
    MustBeValid();
    const int state = owner()->GetState(id());
    if (((state & bit) != 0) == set)
        return;
    if (!owner()->SetState(id(), static_cast<UINT>(set ? state | bit : state & ~bit)))
        throw new vbEsys(E_FAIL, failure);
}

void guiMsTBbutton::SetVisible(bool visible) { setStateBit(kHidden, !visible, "guiMsTBbutton::SetVisible() : failure"); }
void guiMsTBbutton::SetChecked(bool checked) { setStateBit(kChecked, checked, "guiMsTBbutton::SetChecked() : failure"); }
void guiMsTBbutton::SetEnabled(bool enabled) { setStateBit(kEnabled, enabled, "guiMsTBbutton::SetEnabled() : failure"); }

bool guiMsTBbutton::IsVisible()
{
    MustBeValid();
    return (owner()->GetState(id()) & kHidden) == 0;
}

bool guiMsTBbutton::IsChecked()
{
    MustBeValid();
    return (owner()->GetState(id()) & kChecked) != 0;
}

bool guiMsTBbutton::IsEnabled()
{
    MustBeValid();
    return (owner()->GetState(id()) & kEnabled) != 0;
}

void guiMsTBbutton::SetToolTipText(const vbString& text)
{
    MustBeValid();
    owner()->getBtnInfo(id()).toolTipText = text;
}

void guiMsTBbutton::SetText(const vbString& text)
{
    MustBeValid();
    std::string copy(text.c_str());
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = copy.data();
    info.cchText = static_cast<int>(copy.size());
    owner()->SetButtonInfo(id(), &info);
}

void guiMsTBbutton::SetImage(unsigned int bitmapId)
{
    MustBeValid();
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE;
    info.iImage = owner()->getBmpId(bitmapId);
    owner()->SetButtonInfo(id(), &info);
}

void guiMsTBbutton::SetPopupCb(const guiMsTBCB& cb)
{
    MustBeValid();
    owner()->getBtnInfo(id()).popupCb = cb;
}

CMenu* guiMsTBbutton::ownMenu()
{
    const guiMsToolBar::BtnInfo& info = owner()->getBtnInfo(id());
    if (!info.menu)
        return nullptr;
    return info.subMenu == 0 ? info.menu->GetSubMenu(0) : info.menu;
}

CMenu& guiMsTBbutton::GetMenu()
{
    MustBeValid();
    CMenu* menu = ownMenu();
    if (!menu)
        throw new vbEsys(E_FAIL, "guiMsTBbutton::GetMenu() : button without menu");
    return *menu;
}

bool guiMsTBbutton::PopupMenu(CMenu* menu)
{
    MustBeValid();
    if (!menu) {
        // Copies: the callback may add buttons, which moves the records.
        const guiMsTBCB popupCb = owner()->getBtnInfo(id()).popupCb;
        const bool hasClickCb = !owner()->getBtnInfo(id()).clickCb.IsEmpty();
        if (!popupCb.IsEmpty() && !popupCb.Call(*this))
            return hasClickCb;
        menu = ownMenu();
        if (!menu)
            return false;
    }
    RECT r;
    if (!menu->m_hMenu || !GetBtnRect(&r))
        return false;
    guiContainer* container = owner()->tcGetContainer();
    CWnd* owner = container ? container->GetContWnd() : nullptr;
    return menu->TrackPopupMenu(0, r.left, r.bottom + 2, owner) != FALSE;
}

// ---------------------------------------------------------------------------------------------
// The bar.

template class TControlTemplate<CToolBarCtrl>;

guiMsToolBar::guiMsToolBar() = default;

guiMsToolBar::~guiMsToolBar()
{
    try {
        for (int i = 1; i <= m_list.GetLength(); ++i)
            clearRecord(m_list[i]);
    } catch (...) {
        guiShowCaught(kSourceName, __LINE__);
    }
}

void guiMsToolBar::clearRecord(BtnInfo& info)
{
    while (info.firstHandle)
        info.firstHandle->Detach();
    info.id = -1;
    delete info.menu;
    info.menu = nullptr;
}

guiMsToolBar::BtnInfo& guiMsToolBar::newBtnInfo()
{
    const int id = m_list.AddEmpty();
    BtnInfo& info = m_list[id];
    info.id = id;
    return info;
}

guiMsTBbutton guiMsToolBar::add(int state, int style, const vbString& text, const vbString& toolTipText,
    unsigned int bitmapId, const guiMsTBCB& clickCb)
{
    const int id = newBtnInfo().id;
    TBBUTTON button{};
    button.iBitmap = getBmpId(bitmapId);
    button.iString = getStringId(text);
    button.idCommand = id;
    button.fsState = static_cast<BYTE>(state);
    button.fsStyle = static_cast<BYTE>(style);
    if (!AddButtons(1, &button))
        throw new vbEsys(E_FAIL, "guiMsToolBar::Add() : failure");
    BtnInfo& info = getBtnInfo(id);
    info.toolTipText = toolTipText;
    info.clickCb = clickCb;
    return guiMsTBbutton(this, id);
}

guiMsTBbutton guiMsToolBar::AddBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
    const guiMsTBCB& clickCb, bool enabled, bool visible)
{
    return add(stateOf(enabled, visible), TBSTYLE_BUTTON, text, toolTipText, bitmapId, clickCb);
}

guiMsTBbutton guiMsToolBar::AddCheckBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
    const guiMsTBCB& clickCb, bool enabled, bool visible)
{
    return add(stateOf(enabled, visible), TBSTYLE_CHECK, text, toolTipText, bitmapId, clickCb);
}

guiMsTBbutton guiMsToolBar::AddMenuBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
    unsigned int menuId, const guiMsTBCB& clickCb, bool enabled, bool visible)
{
    guiMsTBbutton button = add(stateOf(enabled, visible), TBSTYLE_DROPDOWN, text, toolTipText, bitmapId, clickCb);
    BtnInfo& info = getBtnInfo(button.id());
    info.menu = new CMenu;
    if (menuId == 0) {
        info.menu->CreatePopupMenu();
        info.subMenu = -1;
        return button;
    }
    if (!info.menu->LoadMenu(menuId)) {
        clearRecord(info);
        throw new vbEsys(E_FAIL, "guiMsToolBar::AddMenuBtn() : Menu load failed");
    }
    info.subMenu = 0;
    return button;
}

guiMsTBbutton guiMsToolBar::AddSep(bool visible)
{
    return add(visible ? 0 : kHidden, TBSTYLE_SEP, vbString(), vbString(), 0, guiMsTBCB());
}

int guiMsToolBar::getStringId(const vbString& text)
{
    if (text.IsEmpty())
        return -1;
    for (int i = 1; i <= m_stringTable.GetLength(); ++i)
        if (sameText(m_stringTable[i].text, text))
            return m_stringTable[i].stringIndex;
    std::string doubled(text.c_str());
    doubled.push_back('\0');
    const int index = AddStrings(doubled.c_str());
    if (index < 0)
        throw new vbEsys(E_FAIL, "guiMsToolBar::GetStringId() : failure");
    m_stringTable.Add(StringEntry{index, text});
    return index;
}

int guiMsToolBar::getBmpId(unsigned int bitmapId)
{
    if (bitmapId == 0)
        return -1;
    for (int i = 1; i <= m_bitmapTable.GetLength(); ++i)
        if (m_bitmapTable[i].bitmapId == bitmapId)
            return m_bitmapTable[i].imageIndex;
    const int index = AddBitmap(1, bitmapId);
    if (index < 0)
        throw new vbEsys(E_FAIL, "guiMsToolBar::GetBmpId() : failure");
    m_bitmapTable.Add(BitmapEntry{index, bitmapId});
    return index;
}

DWORD guiMsToolBar::tcGetStyle() { return GetStyle(); }

bool guiMsToolBar::tcOnCommand(UINT command, LRESULT& result)
{
    const int id = static_cast<int>(LOWORD(command));
    if (!hasRecord(id))
        return false;
    guiMsTBbutton button(this, id);
    const guiMsTBCB clickCb = getBtnInfo(id).clickCb;
    if (clickCb.Call(button)) {
        result = 0;
        return true;
    }
    if (!getBtnInfo(id).menu || !button.PopupMenu(nullptr))
        return false;
    result = 0;
    return true;
}

bool guiMsToolBar::tcOnNotify(NMHDR* header, LRESULT& result)
{
    if (header->code != static_cast<UINT>(TBN_DROPDOWN))
        return false;
    const int id = reinterpret_cast<NMTOOLBARA*>(header)->iItem;
    if (!hasRecord(id) || !getBtnInfo(id).menu) {
        result = TBDDRET_NODEFAULT;
        return true;
    }
    guiMsTBbutton button(this, id);
    result = button.PopupMenu(nullptr) ? TBDDRET_DEFAULT : TBDDRET_TREATPRESSED;
    return true;
}

vbString guiMsToolBar::tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId)
{
    *askAgain = true;
    *toolId = -1;
    POINT pt = point;
    const int index = HitTest(&pt);
    TBBUTTON button{};
    if (index >= 0 && GetButton(index, &button) && hasRecord(button.idCommand)) {
        *toolId = index;
        return getBtnInfo(button.idCommand).toolTipText;
    }
    return tcGetToolTip();
}

LRESULT guiMsToolBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, kSourceName, __LINE__);
}
