#pragma once

// The application's framed panel: its surface, an optional background picture fitted into the
// frame with the picture's proportions, and a centred text, horizontal or rising vertically.
// The picture arrives through the download centre; its arrival repaints the box and is passed on
// to the box's owner.

#include "picGuiImageObject.h"

#include "guiContainer.h"

#include "vbColor.h"
#include "vbString.h"

class picGuiBox : public TControlTemplate<guiCtrl>, public cbIpicImageLoaded {
public:
    explicit picGuiBox(cbIpicImageLoaded* owner = nullptr);
    ~picGuiBox() override;

    vbString tcGetText() override { return m_text; }
    void tcSetText(const vbString& text) override;
    vbString tcGetCaption() override { return m_text; }
    void tcSetCaption(const vbString& text) override { tcSetText(text); }

    void SetTextVert(bool vertical);
    bool GetTextVert() const { return m_bVertical; }
    // Drawn behind the text's shadow side; the null colour (the default) draws none.
    void SetTextBackColor(const vbColor& color);

    // The background picture's pointer: its URL, its object and its state.
    picGuiImagePtr& GetPicture() { return m_picture; }
    // Points the picture at url and asks it loaded at that priority when it changed; an empty url
    // lets the picture go.
    void SetPictureUrl(const vbString& url, vbDnPriority priority);
    // Shows the picture object of source (its URL with it), and follows its changes from now on.
    void SharePicture(const picGuiImagePtr& source);

    void ClientPrint(guiDrawInfo* info, CDC* dc) override;
    void onImageLoaded(picGuiImagePtr* ptr) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

    // The rectangle inside the frame.
    CRect drawFrame(guiDrawInfo* info, CDC* dc);
    void printPicture(guiDrawInfo* info, CDC& dc, const CRect& inner);
    void printText(CDC& dc, const CRect& inner);

private:
    bool handleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void repaint();

    vbString m_text;
    bool m_bVertical = false;
    vbColor m_textBackColor;
    picGuiImagePtr m_picture;
    cbIpicImageLoaded* m_pOwner;
};
