#include "shell/ImageProcessDlg.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/ToolBar.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "face/FaceDetector.h"
#include "i18n/UiIds.h"
#include "platform/Folders.h"
#include "shell/OptionPane.h"
#include "shell/OptionPaneOrgImgDefault.h"
#include "shell/OriginImgShowWnd.h"
#include "shell/PhotoList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ShellIds.h"
#include "shell/TemplatePageBase.h"
#include "shell/WizardWnd.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

using engine::CPhotoDocument;
using face::FaceDetector;

namespace shell {
namespace {

constexpr int kStripWidth = 124;
constexpr int kGalleryWidth = 300;
constexpr int kGap = 8;
constexpr int kStripHeader = 32;
constexpr int kPanelHeight = 96;
constexpr int kStripInputs = 200;
constexpr int kStripResults = 201;

// The tooltip of the strip's title, over the area where it is written.
class StripHeader final : public QWidget {
public:
    explicit StripHeader(QWidget* parent) : QWidget(parent) { setObjectName("stripHeader"); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        QFont f = font();
        f.setWeight(QFont::DemiBold);
        const QString title = controls::Str(i18n::ui::str::PhotoGallery);
        const int room = width() - 16;
        // Longer titles of other languages get a smaller font before they are cut.
        for (int px = 13; px >= 10; --px) {
            f.setPixelSize(px);
            if (QFontMetrics(f).horizontalAdvance(title) <= room) break;
        }
        p.setFont(f);
        p.setPen(controls::theme::kText);
        p.drawText(rect().adjusted(12, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QFontMetrics(f).elidedText(title, Qt::ElideRight, room));
    }
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::ToolTip) {
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), controls::Str(i18n::ui::str::PhotoGallery), this);
            return true;
        }
        return QWidget::event(e);
    }
};

}  // namespace

CImageProcessDlg::CImageProcessDlg(CPhotoDocument& document, platform::WindowId mainWindow,
                                   const PageFactory& pageFactory, QWidget* parent)
    : QWidget(parent), controls::NotifyTarget(this), doc_(document), main_(mainWindow)
{
    setObjectName("workingWindow");
    CreatePanesAndViews();
    CreateStrip();
    CreateTabBars();
    // The start-up photos come before the gallery, whose thumbnails are made from them.
    FillStartupPhotos();
    CreatePage(pageFactory);

    preview_->RegisterWithDocument();
    Retranslate();
    SetMode(Mode::Template);
    ShowWizard(true);
    if (page_ && page_->CategoryCount() > 0) {
        page_->SelectCategory(0);
        categoryBar_->SetCurrent(0);
    }
    LayOut();
}

void CImageProcessDlg::CreatePanesAndViews()
{
    // Panes first, then the views, as they overlap the same area.
    panel_ = new COperationPanel(this);
    originalPanes_ = new COperationPanel(this);
    originalPanes_->setObjectName("originalPanes");
    originalPanes_->hide();
    originalOptions_ = new COptionPaneOrgImgDefault;
    originalOptions_->setParent(this);
    originalOptions_->hide();

    preview_ = new CPhotoEditPreviewWnd(doc_, this);
    preview_->SetMainWindow(main_);
    preview_->hide();
    wizard_ = new CWizardWnd(this);
    wizard_->SetMainWindow(main_);
    original_ = new COriginImgShowWnd(doc_, this);
    original_->hide();
    originalOptions_->SetTarget(original_->WindowId(), platform::msg::OriginalViewCommand);
    originalOptions_->OnInitDialog();
    originalOptions_->MarkInitialised();
}

void CImageProcessDlg::CreateStrip()
{
    new StripHeader(this);
    stripTabs_ = new controls::CTabBar(this);
    stripTabs_->setObjectName("stripTabs");
    stripTabs_->SetTarget(WindowId(), platform::msg::ToolbarCommand);
    stripTabs_->SetSpacing(2);
    stripTabs_->SetBackground(controls::theme::kPanel);
    stripTabs_->SetWrap(false);
    stripTabs_->SetCompact(true);
    strip_ = new CPhotoList(doc_, this);
    strip_->SetWindows(main_, original_->WindowId());
    connect(strip_, &CPhotoList::FilesDropped, this, &CImageProcessDlg::FilesDropped);
    connect(original_, &COriginImgShowWnd::PhotoChanged, this, [this](int) { OriginalPhotoChanged(); });
}

void CImageProcessDlg::OriginalPhotoChanged()
{
    // The photo was turned or cropped: the template renders it again, the strip shows it.
    auto done = [this](bool) {
        strip_->StartThumbnails();
        strip_->update();
        platform::Post(main_, platform::msg::ReselectTemplate, 6, 0);
    };
    const std::vector<int> sel = doc_.SelectionIndices();
    if (sel.empty()) done(true);
    else if (selector_) selector_(sel, false, done);
    else {
        doc_.SelectPhoto(sel.front());
        for (size_t i = 1; i < sel.size(); ++i) doc_.AddToSelection(sel[i]);
        done(true);
    }
}

void CImageProcessDlg::CreateTabBars()
{
    modeTabs_ = new controls::CTabBar(this);
    modeTabs_->setObjectName("modeTabs");
    modeTabs_->SetTarget(WindowId(), platform::msg::ToolbarCommand);
    modeTabs_->SetSpacing(2);
    modeTabs_->SetStacked(true);

    categoryBar_ = new controls::CTabBar(this);
    categoryBar_->setObjectName("categoryBar");
    categoryBar_->SetTarget(WindowId(), platform::msg::ToolbarCommand);
    categoryBar_->SetSpacing(2);
    categoryBar_->SetStacked(true);
}

void CImageProcessDlg::CreatePage(const PageFactory& pageFactory)
{
    page_ = pageFactory ? pageFactory(this) : nullptr;
    if (page_) {
        page_->SetWindows(preview_->WindowId(), main_);
        preview_->SetOwner(page_->WindowId(), platform::msg::ActivateCurrentEntry);
        preview_->SetTemplateNameSource([page = page_] { return page->CurrentTemplateName(); });
        page_->Initialise();
    } else {
        pagePlaceholder_ = new QWidget(this);
    }
}

CImageProcessDlg::~CImageProcessDlg() { Shutdown(); }

void CImageProcessDlg::FillStartupPhotos()
{
    doc_.AddPhotosFromFolder("./media/Images/default/", "Default1.jpg");
    const std::string pictures = platform::PicturesFolder();
    if (!pictures.empty() && platform::IsFolder(pictures)) doc_.AddPhotosFromFolder(pictures + "/", "");
    const std::string shared = platform::PublicPicturesFolder();
    if (!shared.empty() && shared != pictures && platform::IsFolder(shared)) doc_.AddPhotosFromFolder(shared + "/", "");
    // The gallery's thumbnails and the first preview are made from the first photo.
    if (doc_.PhotoCount() > 0) {
        doc_.SetCurrentIndex(0);
        doc_.SelectPhoto(0);
    }
    strip_->RefreshSelection();
    strip_->StartThumbnails();
    platform::Post(original_->WindowId(), platform::msg::ResultReady, 0, 0);
}

void CImageProcessDlg::Shutdown()
{
    if (shutDown_) return;
    shutDown_ = true;
    // The rendering thread uses the template and the photos: it goes first.
    doc_.StopRendering();
    doc_.StopPhotoThread();
    panel_->SetPane(nullptr);
    originalPanes_->SetPane(nullptr);
    if (page_) page_->Shutdown();
    FaceDetector::Instance().ReleaseDetector();
}

void CImageProcessDlg::SetPhotoSelector(PhotoSelector selector)
{
    selector_ = selector;
    strip_->SetPhotoSelector(std::move(selector));
}

void CImageProcessDlg::Retranslate()
{
    namespace str = i18n::ui::str;
    modeTabs_->SetItems({{worktab::OriginalMode, controls::Str(str::OriginalImageEdit), controls::Str(str::OriginalImageEditTooltip),
                          controls::img::ModeOriginal},
                         {worktab::TemplateMode, controls::Str(str::TemplateEdit), controls::Str(str::TemplateEditTooltip),
                          controls::img::ModeTemplate}});
    modeTabs_->SetCurrent(mode_ == Mode::Original ? 0 : 1);
    stripTabs_->SetItems({{kStripInputs, controls::Phrase("Photos"), controls::Str(str::AddToInputTooltip), 0},
                          {kStripResults, controls::Phrase("Results"), controls::Phrase("Exported results"), 0}});
    stripTabs_->SetCurrent(strip_->CurrentMode() == CPhotoList::Inputs ? 0 : 1);
    if (page_) page_->Retranslate();
    BuildCategoryBar();
    panel_->ForwardToPane(platform::msg::LanguageChanged, 0, 0);
    originalPanes_->ForwardToPane(platform::msg::LanguageChanged, 0, 0);
    originalOptions_->Retranslate();
    preview_->OnNotify(platform::msg::LanguageChanged, 0, 0);
    wizard_->OnNotify(platform::msg::LanguageChanged, 0, 0);
    LayOut();
    update();
}

void CImageProcessDlg::BuildCategoryBar()
{
    std::vector<controls::TabItem> items;
    // The categories' pictures follow the order the library ships them in.
    const int icons[] = {controls::img::Category2D, controls::img::Category3D, controls::img::CategoryFrames, controls::img::CategoryFace,
                         controls::img::CategoryOther};
    const int n = page_ ? page_->CategoryCount() : 0;
    for (int i = 0; i < n; ++i)
        items.push_back({i, page_->CategoryLabel(i), page_->CategoryLabel(i), i < 5 ? icons[i] : 0});
    categoryBar_->SetItems(items);
    if (page_) categoryBar_->SetCurrent(page_->CurrentCategory());
}

std::intptr_t CImageProcessDlg::OnNotify(int code, std::intptr_t a, std::intptr_t)
{
    if (code == platform::msg::LanguageChanged) {
        Retranslate();
        return 1;
    }
    if (code != platform::msg::ToolbarCommand) return 0;
    const int command = static_cast<int>(a);
    if (command == kStripInputs || command == kStripResults) {
        strip_->SetMode(command == kStripInputs ? CPhotoList::Inputs : CPhotoList::Results);
        stripTabs_->SetCurrent(command == kStripInputs ? 0 : 1);
        return 1;
    }
    ShowWizard(false);
    const int categories = page_ ? page_->CategoryCount() : 0;
    if (command >= 0 && command < categories) {
        page_->SelectCategory(command);
        categoryBar_->SetCurrent(command);
        platform::Send(main_, platform::msg::HideWizard, 0, 0);
        return 1;
    }
    if (command == worktab::OriginalMode) {
        platform::Send(main_, platform::msg::ToolbarState, 1, 1);
        SetMode(Mode::Original);
    } else if (command == worktab::TemplateMode) {
        SetMode(Mode::Template);
        platform::Send(main_, platform::msg::ToolbarState, 0, 1);
        // Through the main window, which adds what the photos went through meanwhile.
        platform::Send(main_, platform::msg::ReselectTemplate, 4, 0);
    }
    return 1;
}

void CImageProcessDlg::SetMode(Mode mode)
{
    // Original-image mode needs the views, not the welcome panel.
    if (mode == Mode::Original && wizardShown_) ShowWizard(false);
    mode_ = mode;
    modeTabs_->SetCurrent(mode == Mode::Original ? 0 : 1);
    if (mode == Mode::Original) platform::Send(original_->WindowId(), platform::msg::ResultReady, 0, 0);
    UpdateVisibility();
}

void CImageProcessDlg::ShowWizard(bool show)
{
    if (wizardShown_ == show) return;
    wizardShown_ = show;
    UpdateVisibility();
}

void CImageProcessDlg::SelectCategoryByName(const QString& name)
{
    if (!page_ || name.isEmpty()) return;
    for (int i = 0; i < page_->CategoryCount(); ++i) {
        if (page_->CategoryName(i) != name) continue;
        page_->SelectCategory(i);
        categoryBar_->SetCurrent(i);
        return;
    }
}

QString CImageProcessDlg::CurrentCategoryName() const
{
    if (!page_) return {};
    const int c = page_->CurrentCategory();
    return c >= 0 && c < page_->CategoryCount() ? page_->CategoryName(c) : QString();
}

void CImageProcessDlg::SetControlPanelVisible(bool visible)
{
    panelVisible_ = visible;
    UpdateVisibility();
}

void CImageProcessDlg::UpdateVisibility()
{
    const bool original = mode_ == Mode::Original;
    wizard_->setVisible(wizardShown_);
    preview_->setVisible(!wizardShown_ && !original);
    original_->setVisible(!wizardShown_ && original);
    panel_->setVisible(!wizardShown_ && !original && panelVisible_ && panel_->Pane());
    originalOptions_->setVisible(!wizardShown_ && original);
    originalPanes_->setVisible(!wizardShown_ && original && originalPanes_->Pane());
    LayOut();
}

void CImageProcessDlg::resizeEvent(QResizeEvent*) { LayOut(); }

void CImageProcessDlg::LayOut()
{
    const int w = width(), h = height();
    // Left: the photo strip with its title and its two modes.
    stripCard_ = QRect(0, 0, kStripWidth, h);
    stripHeader_ = QRect(0, 0, kStripWidth, kStripHeader);
    for (QWidget* child : findChildren<QWidget*>("stripHeader", Qt::FindDirectChildrenOnly)) child->setGeometry(stripHeader_);
    stripTabs_->setGeometry(6, kStripHeader, kStripWidth - 12, controls::CTabBar::kRowHeight);
    strip_->setGeometry(1, kStripHeader + controls::CTabBar::kRowHeight + 4, kStripWidth - 2,
                        h - kStripHeader - controls::CTabBar::kRowHeight - 6);

    // Right: the category bar over the gallery.
    const int gx = w - kGalleryWidth - 2;
    const int catH = categoryBar_->HeightFor(kGalleryWidth + 2);
    categoryBar_->setGeometry(gx, 0, kGalleryWidth + 2, catH);
    galleryCard_ = QRect(gx, catH + 4, kGalleryWidth + 2, h - catH - 4);
    QWidget* page = page_ ? static_cast<QWidget*>(page_) : pagePlaceholder_;
    page->setGeometry(galleryCard_.adjusted(1, 1, -1, -1));

    // Middle: the mode tabs over the view, the adjustment pane under it.
    const int mx = kStripWidth + kGap;
    const int mw = gx - kGap - mx;
    modeTabs_->setGeometry(mx, 0, std::min(mw, 280), catH);
    const bool original = mode_ == Mode::Original;
    const bool panelShown = !wizardShown_ && (original || (panelVisible_ && panel_->Pane()));
    const int viewTop = catH + 4;
    const int viewBottom = panelShown ? h - kPanelHeight - kGap : h;
    viewCard_ = QRect(mx, viewTop, mw, viewBottom - viewTop);
    const QRect inner = viewCard_.adjusted(1, 1, -1, -1);
    preview_->setGeometry(inner);
    original_->setGeometry(inner);
    wizard_->setGeometry(inner);
    panelCard_ = panelShown ? QRect(mx, h - kPanelHeight, mw, kPanelHeight) : QRect();
    const QRect pane = panelCard_.adjusted(1, 1, -1, -1);
    panel_->setGeometry(pane);
    if (original && originalPanes_->Pane()) {
        const int optW = std::min(pane.width() / 2, 560);
        originalOptions_->setGeometry(QRect(pane.left(), pane.top(), optW, pane.height()));
        originalPanes_->setGeometry(QRect(pane.left() + optW, pane.top(), pane.width() - optW, pane.height()));
    } else {
        originalOptions_->setGeometry(pane);
        originalPanes_->setGeometry(pane);
    }
    update();
}

void CImageProcessDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), controls::theme::kWindow);
    // White cards with a hairline border behind each area.
    auto card = [&](const QRect& r) {
        if (r.isEmpty()) return;
        p.setPen(QPen(controls::theme::kBorder, 1));
        p.setBrush(controls::theme::kPanel);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    };
    card(stripCard_);
    card(viewCard_);
    card(panelCard_);
    card(galleryCard_);
    p.setPen(controls::theme::kBorder);
    p.drawLine(stripCard_.left() + 8, kStripHeader + controls::CTabBar::kRowHeight + 2, stripCard_.right() - 8,
               kStripHeader + controls::CTabBar::kRowHeight + 2);
}

}  // namespace shell
