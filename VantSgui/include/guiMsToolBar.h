#pragma once

// The built-in tool bar as a framework control: buttons, check buttons, drop-down menu buttons and
// separators added by text, tip and bitmap resource, with command identifiers given by the bar
// (1, 2, 3 ... in the order of adding), texts and images shared between buttons, clicks routed to
// per-button callbacks and per-button menus. Callers hold buttons through guiMsTBbutton handles,
// which the bar detaches when its buttons go.

#include "guiContainer.h"
#include "guiItemHandle.h"

#include "vbArray.h"

class guiMsToolBar;

// A caller's hold on one button.
class GUIAPI guiMsTBbutton : public guiItemHandle<guiMsToolBar> {
public:
    guiMsTBbutton() = default;

    bool operator==(const guiMsTBbutton& other) const { return owner() == other.owner() && id() == other.id(); }
    bool operator!=(const guiMsTBbutton& other) const { return !(*this == other); }

    // The button's index in the control.
    int GetIndex();
    // In screen coordinates; false when the control has no such button.
    bool GetBtnRect(RECT* rect);
    // Nothing is sent when the state already is as wanted.
    void SetVisible(bool visible);
    void SetChecked(bool checked);
    void SetEnabled(bool enabled);
    bool IsVisible();
    bool IsChecked();
    bool IsEnabled();
    void SetToolTipText(const vbString& text);
    void SetText(const vbString& text);
    void SetImage(unsigned int bitmapId);
    // Asked before the button's own menu pops up; false keeps it down.
    void SetPopupCb(const guiMsTBCB& cb);
    // The menu the button drops down; vbEsys "guiMsTBbutton::GetMenu() : button without menu".
    CMenu& GetMenu();
    // Tracks menu (null: the button's own) under the button; whether a menu was chosen from, or
    // for a popup callback that kept the menu down, whether the button has a click callback.
    bool PopupMenu(CMenu* menu);

protected:
    friend class guiMsToolBar;
    guiMsTBbutton(guiMsToolBar* owner, int id) : guiItemHandle(owner, id) { }

private:
    void setStateBit(BYTE bit, bool set, const char* failure);
    CMenu* ownMenu();
};

extern template class GUIAPI TControlTemplate<CToolBarCtrl>;

class GUIAPI guiMsToolBar : public TControlTemplate<CToolBarCtrl> {
public:
    // One button.
    struct BtnInfo {
        guiItemHandle<guiMsToolBar>* firstHandle = nullptr;
        int32_t id = -1;
        CMenu* menu = nullptr;
        // 0: the loaded menu's first sub-menu drops down; -1: the menu object itself.
        int32_t subMenu = 0;
        vbString toolTipText;
        guiMsTBCB clickCb;
        guiMsTBCB popupCb;
    };

    static constexpr const char* kSourceName = "guiMsToolBar";

    guiMsToolBar();
    ~guiMsToolBar() override;

    guiMsTBbutton AddBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
        const guiMsTBCB& clickCb, bool enabled, bool visible);
    guiMsTBbutton AddCheckBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
        const guiMsTBCB& clickCb, bool enabled, bool visible);
    // menuId 0: an empty menu for the caller to fill through GetMenu. A menu that fails to load:
    // vbEsys "guiMsToolBar::AddMenuBtn() : Menu load failed", the button staying without menu.
    guiMsTBbutton AddMenuBtn(const vbString& text, const vbString& toolTipText, unsigned int bitmapId,
        unsigned int menuId, const guiMsTBCB& clickCb, bool enabled, bool visible);
    guiMsTBbutton AddSep(bool visible);

    // TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE.
    int tcGetCreationStyle() override { return 0x080C; }
    // The control's own style.
    DWORD tcGetStyle() override;
    bool tcOnCommand(UINT command, LRESULT& result) override;
    // TBN_DROPDOWN only.
    bool tcOnNotify(NMHDR* header, LRESULT& result) override;
    vbString tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId) override;

protected:
    friend class guiMsTBbutton;
    friend class guiItemHandle<guiMsToolBar>;

    guiMsTBbutton add(int state, int style, const vbString& text, const vbString& toolTipText,
        unsigned int bitmapId, const guiMsTBCB& clickCb);
    BtnInfo& newBtnInfo();
    BtnInfo& getBtnInfo(int id) { return m_list[id]; }
    guiItemHandle<guiMsToolBar>*& firstHandleOf(int id) { return m_list[id].firstHandle; }
    // The control's string for text (shared by equal texts), -1 for an empty one.
    virtual int getStringId(const vbString& text);
    // The control's image of the bitmap resource (one image each, shared), -1 for 0.
    virtual int getBmpId(unsigned int bitmapId);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct BitmapEntry {
        int32_t imageIndex;
        unsigned int bitmapId;
    };
    struct StringEntry {
        int32_t stringIndex;
        vbString text;
    };

    // Detaches the handles and destroys the menu.
    static void clearRecord(BtnInfo& info);
    bool hasRecord(int id) const { return id >= 1 && id <= m_list.GetLength() && m_list[id].id >= 0; }

    vbArray<BitmapEntry> m_bitmapTable;
    vbArray<StringEntry> m_stringTable;
    vbArray<BtnInfo> m_list;
};
