#pragma once

// What assembly projects and their source images share: a file path (the result saved last, or
// the source picture), the filter choice (one monochromatic filter, or one per colour channel)
// with a factor per channel, and the property page rows that edit them above a picture preview.
// The assembly reads the path and the channels on a worker: they are read and changed under the
// node's lock.

#include "picChannelFilter.h"
#include "picGuiBox.h"
#include "picNode.h"

#include "guiButton.h"
#include "guiMsComboBox.h"
#include "guiMsEdit.h"

class picImageHolder : public picNode, public cbIpicImageLoaded {
    using Base = picNode;

public:
    // The filter types.
    static constexpr int kMonochrome = 0;
    static constexpr int kRgb = 1;
    static constexpr int kChannels = 3;

    bool GetInterface(const GUID& iid, void** ppv) override;

    vbString GetFilePath() const;
    void SetPath(const vbString& path);
    int GetFilterType() const;
    void SetFilterType(int type);
    // Channel 1 (red, or the only one in monochromatic mode) to 3 (blue), copied under the lock.
    picChannelFilter GetChannel(int channel) const;
    void SetChannel(int channel, const picChannelFilter& filter);
    // A channel resolves to filter.
    bool UsesFilter(sIpicMainWnd* wnd, picNode* filter) const;

    // --- the holder's own operations, in slot order ---
    virtual bool IsPathValid(const vbString& path);
    virtual void OnPathButton();
    virtual bool IsPathEditable();
    virtual void OnPathChanged();

    // A real change is stored and counts as a change of the work, whatever the checked state.
    bool SetChecked(bool checked) override;
    void CopyValues(picNode* source) override;
    // The path, the filter type and, per channel with a key, the key and its factor; the checked
    // state of check items.
    void LoadValues(vbRegKey& key) override;
    void SaveValues(vbRegKey& key) override;
    void OnMenuCommand(sIpicMainWnd* wnd, const vbString& command) override;
    void BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool relayout) override;

    // The preview's picture, when it has an object: one that holds a picture, or one whose picture
    // is being loaded or made, or whose load or assembly failed.
    const picGuiImagePtr* GetPreviewPicture();
    // Why there is no preview picture to show, as the node's page says it ("Load failed: ...",
    // "Assembly failed: ..."); empty when the node's own file may stand for it.
    virtual vbString WhyNoPicture();

    // The preview's picture arrived: the page that shows this node is refreshed.
    void onImageLoaded(picGuiImagePtr* ptr) override;
    // The strip's line of the pictures goes when it tells of this node's file; so it does when
    // the node goes.
    void hidePictureLine();

protected:
    explicit picImageHolder(int filterType);
    ~picImageHolder() override;

    void onDestruction(bool bExplicit) override;

    // The part of the project-file record that projects and images share: flags, filter type
    // and the three channel records.
    void writeHolderPart(picFileContext& context, IvbOutputStream* out);
    void readHolderPart(picFileContext& context, IvbInputStream* in);
    // TouchWork (same window, no force) of every parent.
    void touchParents(sIpicMainWnd* wnd);
    // The main window to ask: the page's, else the application's.
    sIpicMainWnd* mainWnd() const;
    // The preview box over the rest of rect (created the first time, with hint).
    void placePreview(guiContainer* page, const CRect& rect, const vbString& hint);
    // The preview's picture and its size, when it is loaded and holds one.
    bool previewSize(picSize* size);
    // "Image size: width=... pixels, height=..." of the preview's picture; false without one.
    bool previewSizeText(vbString* text);
    // Why the preview's picture could not be loaded; false when it was not refused.
    bool previewFailure(vbString* text);
    // The preview shows path, asked at priority 1 unless that path at the box's size is already
    // there; an empty path empties it.
    void loadPreview(const vbString& path);
    void emptyPreview();
    void setStatus(const vbString& text);

    picGuiBox m_preview;
    guiButton m_btnPath;
    guiMsEdit m_editPath;

private:
    struct ChannelRow {
        guiMsComboBox combo;
        guiMsEdit factor;
    };

    void placePathRow(const CRect& row, guiContainer* page);
    void placeFilterRow(sIpicMainWnd* wnd, const CRect& row, guiContainer* page);
    void placeChannel(
        sIpicMainWnd* wnd, int channel, const CRect& comboRect, const CRect& factorRect, guiContainer* page);
    void showChannelColours(int channel, bool rgb);

    bool onPathEdit(guiMsEdit& edit);
    bool onPathClick(guiButton& button);
    bool onTypeCombo(guiMsComboBox& combo);
    bool onChannelCombo(guiMsComboBox& combo);
    bool onFactorEdit(guiMsEdit& edit);
    int channelOf(const TControl& control) const;

    vbString m_path;
    int32_t m_filterType;
    picChannelFilter m_channels[kChannels];
    guiMsComboBox m_comboType;
    ChannelRow m_rows[kChannels];
    guiMsEdit m_editStatus;
    vbString m_previewPath;
    CSize m_previewSize;
};

using picImageHolderQIPtr = vbRefQIPtr<picNode, &IID_IpicImageHolder>;
