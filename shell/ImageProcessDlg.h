#pragma once
/**
 * @file ImageProcessDlg.h
 * @brief CImageProcessDlg: the working window under the tool bar. It holds every view of the
 * workflow (photo strip, template page and gallery, preview, original-image view, wizard, the
 * adjustment panes), loads the library and the start-up photos, switches between template
 * mode and original-image mode, and shuts the rendering down before anything it uses goes.
 * Interface thread only.
 */
#include "controls/QtNotify.h"

#include <QWidget>

#include <functional>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace controls {
class CTabBar;
}

namespace shell {

class CDlgExport;
class COperationPanel;
class COptionPaneOrgImgDefault;
class COriginImgShowWnd;
class CPhotoEditPreviewWnd;
class CPhotoList;
class CTemplatePageBase;
class CWizardWnd;

class CImageProcessDlg : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    enum class Mode { Template, Original };
    using PageFactory = std::function<CTemplatePageBase*(QWidget* parent)>;
    /** Selects photos (first replacing the selection unless appending), maybe on a worker. */
    using PhotoSelector = std::function<void(std::vector<int> indices, bool append, std::function<void(bool ok)> then)>;

    /** Builds every child; the main window id receives the children's notifications. */
    CImageProcessDlg(engine::CPhotoDocument& document, platform::WindowId mainWindow, const PageFactory& pageFactory,
                     QWidget* parent = nullptr);
    ~CImageProcessDlg() override;

    /**
     * @brief Start-up photos: the sample folder ("Default1.jpg" first), then the user's
     * pictures folder and the shared pictures folder. The first photo is selected.
     */
    void FillStartupPhotos();
    /** Stops rendering, joins the page's workers and saves the library (before destruction). */
    void Shutdown();

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    void SetMode(Mode mode);
    Mode CurrentMode() const { return mode_; }
    void ShowWizard(bool show);
    bool WizardShown() const { return wizardShown_; }
    void SetControlPanelVisible(bool visible);
    bool ControlPanelVisible() const { return panelVisible_; }
    /** Whether the user wants the control panel (shown with each template that has a pane). */
    void SetControlPanelPreferred(bool on) { panelPreferred_ = on; }
    bool ControlPanelPreferred() const { return panelPreferred_; }
    /** Shows the gallery category of that (untranslated) name; an unknown name changes nothing. */
    void SelectCategoryByName(const QString& name);
    /** The (untranslated) name of the category shown, empty without a gallery. */
    QString CurrentCategoryName() const;
    void Retranslate();
    /** How photos are selected (the main window decodes large ones on a worker). */
    void SetPhotoSelector(PhotoSelector selector);

    CPhotoEditPreviewWnd* Preview() const { return preview_; }
    COriginImgShowWnd* OriginalView() const { return original_; }
    CPhotoList* PhotoList() const { return strip_; }
    CWizardWnd* Wizard() const { return wizard_; }
    COperationPanel* OperationPanel() const { return panel_; }
    COperationPanel* OriginalPaneContainer() const { return originalPanes_; }
    COptionPaneOrgImgDefault* OriginalOptions() const { return originalOptions_; }
    CTemplatePageBase* Page() const { return page_; }
    controls::CTabBar* ModeTabs() const { return modeTabs_; }
    controls::CTabBar* CategoryBar() const { return categoryBar_; }
    controls::CTabBar* StripTabs() const { return stripTabs_; }

signals:
    void FilesDropped(const QStringList& files);

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    // The constructor's steps, in this order: children created later lie above earlier ones.
    void CreatePanesAndViews();
    void CreateStrip();
    void CreateTabBars();
    void CreatePage(const PageFactory& pageFactory);
    /** The original-image view turned or cropped the photo: render it again, refresh the strip. */
    void OriginalPhotoChanged();

    void LayOut();
    void BuildCategoryBar();
    void UpdateVisibility();

    engine::CPhotoDocument& doc_;
    platform::WindowId main_;
    Mode mode_ = Mode::Template;
    bool wizardShown_ = true;
    bool panelVisible_ = true;
    bool panelPreferred_ = true;
    bool shutDown_ = false;
    PhotoSelector selector_;

    CPhotoList* strip_ = nullptr;
    controls::CTabBar* stripTabs_ = nullptr;
    controls::CTabBar* modeTabs_ = nullptr;
    controls::CTabBar* categoryBar_ = nullptr;
    CPhotoEditPreviewWnd* preview_ = nullptr;
    COriginImgShowWnd* original_ = nullptr;
    CWizardWnd* wizard_ = nullptr;
    COperationPanel* panel_ = nullptr;
    COperationPanel* originalPanes_ = nullptr;
    COptionPaneOrgImgDefault* originalOptions_ = nullptr;
    CTemplatePageBase* page_ = nullptr;
    QWidget* pagePlaceholder_ = nullptr;

    QRect stripHeader_, stripCard_, viewCard_, panelCard_, galleryCard_;
};

}  // namespace shell
