#pragma once

// The menu engine's records: one per shown child, and the class engine of an item class.

#include "menu/guiTreeMenuDraw.h"

#include <atomic>

// An item class's styles: names built from the class (and the engine's aspect name), looked up
// on the root; what they leave unset comes from the engine's main aspect engine.
class guiTreeMenuDraw::ClassEngine final : public sIguiTreeAspectGet {
public:
    ClassEngine(guiTreeMenuDraw* owner, const vbString& name);

    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override;
    IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine) override;
    void onAspectListChange(IguiTreeNode* node) override;

    const vbString& Name() const { return m_name; }
    void Rename(const vbString& name);
    // The names are looked up again at the next question.
    void Reset();
    // Lets the record go without notice.
    void Detach();
    const guiTreeAspectEngine& Engine() const { return m_engine; }

private:
    guiTreeMenuDraw* m_owner;
    vbString m_name;
    guiTreeAspectEngine m_engine;
    guiTreeAspectLink m_aspect;
    bool m_resolved = false;
};

struct guiTreeMenuDraw::Item final : sIvbIconLoaded {
    Item(guiTreeMenuDraw* owner, IguiTreeNode* child);
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    // On the download worker that loaded the icon.
    void onIconLoaded(vbIcon* icon) override;
    void clearPaintFlags();
    // Which icons are loaded now: the icon or selected icon 1, a help icon 2.
    unsigned loadedIconGroups() const;
    // Whether a loaded icon has no room in the last layout.
    bool lacksRoom() const;

    guiTreeMenuDraw* owner;
    int index = -1;
    guiTreeNodeRef node;
    std::unique_ptr<ClassEngine> classEngine;
    guiNodeType type = guiNodeType_Text;
    guiNodeCheckMode checkMode = guiNodeCheck_Btn;
    bool enabled = true;
    bool hasSubmenu = false;

    // As last measured: normal, selected, over, selected-over.
    bool measured = false;
    vbString text, selText;
    CSize sizes[4];
    int limit = 0;

    int width = 0;
    int height = 0;
    int top = -1;
    std::atomic<bool> laidOut{false};
    // The icon groups the last layout made room for: those the node names.
    std::atomic<unsigned> measuredIcons{0};

    vbIcon icon, selIcon, helpIcon, selHelpIcon;
    bool checked = false;

    // Set by painting.
    bool hasHelp = false, hasCheck = false, paintedSel = false, paintedHelpSel = false, iconAnimating = false,
         helpAnimating = false;

    bool expandParentEvent;
    bool collapseParentEvent;
    bool kept = false;
};
