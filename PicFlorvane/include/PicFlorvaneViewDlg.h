#pragma once

// The image view: a window of its own, beside the main window, that shows the picture of a
// project or a source image over its whole client area. The main window keeps at most one.

#include "picGuiBox.h"
#include "picNode.h"

#include "guiContainer.h"
#include "guiSurface.h"

#include "plat/afxwin.h"

class CPicFlorvaneDlg;

class CPicFlorvaneViewDlg : public CDialog, public cbIpicImageLoaded {
public:
    explicit CPicFlorvaneViewDlg(CPicFlorvaneDlg& main);
    // Destroys the window first (a failure is traced).
    ~CPicFlorvaneViewDlg() override;
    CPicFlorvaneViewDlg(const CPicFlorvaneViewDlg&) = delete;
    CPicFlorvaneViewDlg& operator=(const CPicFlorvaneViewDlg&) = delete;

    // The node's preview picture, followed while it is loaded or made; else, when the node says
    // why it has none (a failed load or assembly), only that; else its own picture file (the
    // source of an image, the result saved last of a project). Titled with the node's label;
    // until the picture is there, the view says in words what the node's page says.
    void ShowNode(picNode* node);
    // Shows the picture of source, following its changes, under title.
    void ShowPicture(const picGuiImagePtr& source, const vbString& title);
    // Shows the picture at path under title; an empty path, or one that names no file, shows
    // that there is no picture yet, and a file that cannot be read why. Both open the window if
    // needed, and say in words that the picture is loading until it is there.
    void ShowPath(const vbString& path, const vbString& title);
    // The box's picture arrived, failed or is being made again.
    void onImageLoaded(picGuiImagePtr* ptr) override;

    const vbString& GetTitle() const { return m_title; }
    picGuiBox& GetBox() { return m_box; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;
    void OnCancel() override;

    void OnSize(UINT nType, int cx, int cy);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);

    DECLARE_MESSAGE_MAP()

private:
    void setTitle(const vbString& title);
    void sharePicture(const picGuiImagePtr& source, const vbString& title);
    void loadPath(const vbString& path, const vbString& title);
    // The picture once it is there, else in words why not.
    void showState();
    vbString whyNoPicture();
    void fitToPicture();
    void open();

    guiContainer m_container;
    guiSurface m_background;
    picGuiBox m_box;
    vbString m_title;
    // The node shown, whose page's words the view says while it has no picture.
    picNodeWeakPtr m_node;
    CPicFlorvaneDlg& m_main;
    bool m_bDeleting = false;
    bool m_bFitPending = false; // the picture shown last has not sized the window yet
};
