#include "shell/ExportDialog.h"

#include "controls/CoolButtonBar.h"
#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"
#include "platform/Folders.h"
#include "shell/Messages.h"
#include "shell/ShellIds.h"
#include "shell/Translation.h"
#include "shell/logic/ExportSave.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QWindow>

namespace shell {
namespace {

constexpr int kCaption = 30;

QString Caption(const char* text) { return ui::Phrase(QString::fromLatin1(text)); }

}  // namespace

CDlgExport::CDlgExport(CPhotoDocument& document, const QString& outputPath, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui::NotifyTarget(this), doc_(document)
{
    setObjectName("exportDialog");
    setModal(true);
    setFixedSize(540, 318);
    result_ = doc_.ShownResult();
    CEffectTemplate* t = doc_.CurrentTemplate();

    title_ = new QLabel(this);
    title_->setStyleSheet(QString("color: %1; font-weight: 600;").arg(ui::theme::kChromeText.name()));
    imageRadio_ = new QRadioButton(this);
    gifRadio_ = new QRadioButton(this);
    dirLabel_ = new QLabel(this);
    path_ = new QLineEdit(outputPath, this);
    browse_ = new QPushButton("...", this);
    browse_->setStyleSheet("padding: 0;");
    openFolder_ = new QPushButton(this);
    keepAspect_ = new QCheckBox(this);
    widthLabel_ = new QLabel(this);
    width_ = new QLineEdit(this);
    heightLabel_ = new QLabel(this);
    height_ = new QLineEdit(this);
    sizeNote_ = new QLabel(this);
    sizeNote_->setStyleSheet(QString("color: %1;").arg(ui::theme::kTextDim.name()));
    ok_ = new QPushButton(this);
    ok_->setDefault(true);
    for (QLineEdit* e : {width_, height_}) e->setAlignment(Qt::AlignRight);

    const std::pair<QWidget*, int> ids[] = {{imageRadio_, kImageRadioId}, {gifRadio_, kGifRadioId}, {dirLabel_, kDirLabelId},
                                            {path_, kPathId}, {browse_, kBrowseId}, {openFolder_, kOpenFolderId},
                                            {keepAspect_, kKeepAspectId}, {widthLabel_, kWidthLabelId}, {width_, kWidthId},
                                            {heightLabel_, kHeightLabelId}, {height_, kHeightId}, {ok_, kOkId}};
    for (const auto& [w, id] : ids) w->setProperty(kControlIdProperty, id);

    // Which kinds of file this result can become.
    if (t) {
        imageRadio_->setEnabled(true);
        gifRadio_->setEnabled(t->IsExpression());
    } else {
        imageRadio_->setEnabled(false);
        gifRadio_->setEnabled(false);
    }
    imageRadio_->setChecked(true);
    // A result shown from the history (after undo) has no template but can still be saved.
    ok_->setEnabled(t != nullptr || !result_.empty());
    keepAspect_->setChecked(true);
    rules_.SetKeepAspect(true);
    rules_.SetType(ExportType::Image);
    if (!result_.empty()) rules_.SetImageSize(result_.cols, result_.rows);
    WriteSize(result_.empty() ? ExportSize{kDefaultWidth, kDefaultHeight} : ExportSize{result_.cols, result_.rows});

    closeBar_ = new ui::CCoolButtonBar(this);
    closeBar_->SetUp({{1, tool::Close, 50, 0, 16, 13, 136, -1}}, ui::img::WinButtonsNormal, ui::img::WinButtonsHover,
                     ui::img::WinButtonsPressed, ui::img::WinButtonsDisabled);
    closeBar_->SetTarget(WindowId(), platform::msg::ToolbarCommand, 0);
    closeBar_->setObjectName("exportCloseBar");

    connect(imageRadio_, &QRadioButton::clicked, this, [this] { TypeChanged(ExportType::Image); });
    connect(gifRadio_, &QRadioButton::clicked, this, [this] { TypeChanged(ExportType::Gif); });
    connect(width_, &QLineEdit::textEdited, this, [this] { WidthEdited(); });
    connect(height_, &QLineEdit::textEdited, this, [this] { HeightEdited(); });
    connect(keepAspect_, &QCheckBox::clicked, this, [this] { KeepAspectSwitched(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    connect(openFolder_, &QPushButton::clicked, this, [this] { OpenFolder(); });
    connect(ok_, &QPushButton::clicked, this, [this] { Save(); });

    Retranslate();
}

QString CDlgExport::OutputPath() const { return path_->text(); }

std::intptr_t CDlgExport::OnNotify(int code, std::intptr_t a, std::intptr_t)
{
    if (code == platform::msg::ToolbarCommand && a == tool::Close) {
        reject();
        return 1;
    }
    if (code == platform::msg::LanguageChanged) {
        Retranslate();
        return 1;
    }
    return 0;
}

void CDlgExport::Retranslate()
{
    TranslateWidget(this, i18n::ui::dlg::Export);
    title_->setText(windowTitle());
    browse_->setToolTip(Caption("Choose the file"));
    const QString full = result_.empty() ? QString() : QString("%1 × %2").arg(result_.cols).arg(result_.rows);
    sizeNote_->setText(Caption("Largest size: %1 pixels").arg(rules_.Limit()) +
                       (full.isEmpty() ? QString() : QString("    ·    ") + Caption("Full size: %1").arg(full)));
    closeBar_->Reload();
}

void CDlgExport::resizeEvent(QResizeEvent*)
{
    const int w = width();
    closeBar_->setGeometry(w - 76, 8, 66, 13);
    title_->setGeometry(34, 0, w - 140, kCaption);
    int y = kCaption + 18;
    imageRadio_->setGeometry(20, y, 230, 24);
    gifRadio_->setGeometry(260, y, 240, 24);
    y += 38;
    dirLabel_->setGeometry(20, y, 300, 18);
    y += 22;
    path_->setGeometry(20, y, w - 40 - 44 - 110, 30);
    browse_->setGeometry(w - 20 - 110 - 40, y, 36, 30);
    openFolder_->setGeometry(w - 20 - 110, y, 110, 30);
    y += 44;
    keepAspect_->setGeometry(20, y, w - 40, 24);
    y += 36;
    widthLabel_->setGeometry(20, y, 60, 30);
    width_->setGeometry(80, y, 90, 30);
    heightLabel_->setGeometry(196, y, 60, 30);
    height_->setGeometry(256, y, 90, 30);
    y += 36;
    sizeNote_->setGeometry(20, y, w - 40, 18);
    ok_->setGeometry(w - 20 - 120, height() - 20 - 34, 120, 34);
}

void CDlgExport::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(240, 240, 255));
    p.fillRect(QRect(0, 0, width(), kCaption), ui::theme::kChrome);
    p.drawPixmap(QRect(12, 7, 16, 16), ui::Skin::Image(ui::img::Logo));
    p.setPen(ui::theme::kBorder);
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

// The dialog has no system caption: it is dragged by its top strip.
void CDlgExport::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && e->position().y() < kCaption) {
        if (windowHandle() && windowHandle()->startSystemMove()) return;
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void CDlgExport::mouseMoveEvent(QMouseEvent* e)
{
    if (dragging_) move(e->globalPosition().toPoint() - dragOffset_);
}

void CDlgExport::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

ExportSize CDlgExport::ReadSize() const
{
    return {ParseSizeText(width_->text().toStdString()), ParseSizeText(height_->text().toStdString())};
}

void CDlgExport::WriteSize(ExportSize s)
{
    width_->setText(QString::number(s.width));
    height_->setText(QString::number(s.height));
}

void CDlgExport::TypeChanged(ExportType type)
{
    type_ = type;
    rules_.SetType(type);
    path_->setText(QString::fromStdString(PathForType(path_->text().toStdString(), type)));
    WriteSize(rules_.TypeChanged(ReadSize()));
    Retranslate();
}

void CDlgExport::WidthEdited() { WriteSize(rules_.WidthEdited(ReadSize())); }
void CDlgExport::HeightEdited() { WriteSize(rules_.HeightEdited(ReadSize())); }

void CDlgExport::KeepAspectSwitched()
{
    rules_.SetKeepAspect(keepAspect_->isChecked());
    WriteSize(rules_.KeepAspectSwitched(ReadSize()));
}

void CDlgExport::Browse()
{
    const QString folder = QString::fromStdString(platform::ParentFolder(path_->text().toStdString()));
    const QString proposed = (folder.isEmpty() ? QString() : folder + "/") + "Untitled";
    QString chosen;
    if (type_ == ExportType::Gif) {
        chosen = QFileDialog::getSaveFileName(this, ui::Str(105), proposed + ".gif",
                                              Caption("Graphic Interchange Format") + " (*.gif)");
        if (!chosen.isEmpty() && !chosen.contains('.')) chosen += ".gif";
    } else {
        const QString filters = Caption("All Image Files") + " (*.jpg *.bmp *.png);;" + Caption("JPEG Files") +
                                " (*.jpg);;" + Caption("Bitmap Files") + " (*.bmp);;" + Caption("Potable Net Graph") +
                                " (*.png);;" + Caption("All Files") + " (*)";
        // The save itself asks before replacing a file.
        chosen = QFileDialog::getSaveFileName(this, ui::Str(105), proposed + ".jpg", filters, nullptr,
                                              QFileDialog::DontConfirmOverwrite);
    }
    if (!chosen.isEmpty()) path_->setText(chosen);
}

void CDlgExport::OpenFolder()
{
    const QString folder = QString::fromStdString(platform::ParentFolder(path_->text().toStdString()));
    if (folder.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    QApplication::restoreOverrideCursor();
}

void CDlgExport::Save()
{
    const ExportSize size = ReadSize();
    if (size.width < 1 || size.height < 1) {
        ShowMessage(this, ui::Str(137), Caption("Error"), MessageKind::Error);
        return;
    }
    std::string path = path_->text().trimmed().toStdString();
    if (path.empty()) return;
    if (!CheckSavePath(path)) {
        ShowMessage(this, ui::Str(144), Caption("Error"), MessageKind::Error);
        return;
    }
    auto ask = [this](const std::string&) {
        return ShowMessage(this, ui::Str(145), Caption("warning"), MessageKind::Warning,
                           QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    std::string error;
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (type_ == ExportType::Gif) {
        if (!t || !t->IsExpression()) {
            ShowMessage(this, ui::Str(143), Caption("No gif export"), MessageKind::Warning);
            return;
        }
        const SaveOutcome outcome = SaveGifFile(path, *t, size.width, size.height, ask, &error);
        if (outcome == SaveOutcome::Saved) {
            path_->setText(QString::fromStdString(path));
            ShowMessage(this, ui::Str(141), Caption("Success"));
        } else if (outcome == SaveOutcome::Failed) {
            ShowMessage(this, ui::Str(142) + "\n" + QString::fromStdString(error), Caption("Failed"), MessageKind::Error);
        }
        return;
    }
    if (result_.empty()) {
        ShowMessage(this, ui::Str(138), Caption("No image"), MessageKind::Warning);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const cv::Mat scaled = ScaleForExport(result_, size, keepAspect_->isChecked());
    QApplication::restoreOverrideCursor();
    const SaveOutcome outcome = SaveImageFile(path, scaled, ask, &error);
    if (outcome == SaveOutcome::Saved) {
        path_->setText(QString::fromStdString(path));
        ShowMessage(this, ui::Str(139), Caption("Success"));
    } else if (outcome == SaveOutcome::Failed) {
        // Said aloud: a save that failed silently would leave the user thinking the file exists.
        ShowMessage(this, ui::Str(140) + "\n" + QString::fromStdString(error), Caption("Failed"), MessageKind::Error);
    }
}

}  // namespace shell
