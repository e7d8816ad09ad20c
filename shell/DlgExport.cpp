#include "shell/DlgExport.h"

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
#include "frames/GifWriter.h"
#include "shell/NoticeBar.h"
#include "shell/PictureFiles.h"
#include "shell/logic/ExportSave.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
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
#include <QSpinBox>
#include <QUrl>
#include <QWindow>

#include <algorithm>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::PictureType;
using engine::PictureTypeNamed;
using engine::PictureTypeOfFile;
using frames::kMaxGifFrameDelayCs;

namespace shell {
namespace {

constexpr int kCaption = 30;

QString Caption(const char* text) { return controls::Phrase(QString::fromLatin1(text)); }

}  // namespace

CDlgExport::CDlgExport(CPhotoDocument& document, const QString& outputPath, QWidget* parent, const ExportChoices& choices)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), controls::NotifyTarget(this), doc_(document)
{
    setObjectName("exportDialog");
    setModal(true);
    setFixedSize(560, 430);
    result_ = doc_.ShownResult();
    CreateControls(outputPath);
    EnableTypes(doc_.CurrentTemplate());
    ApplyStillChoices(outputPath, choices);
    ApplyGifChoices(choices);
    CreateCloseBar();
    ConnectControls();
    UpdateControls();
    Retranslate();
}

void CDlgExport::CreateControls(const QString& outputPath)
{
    title_ = new QLabel(this);
    title_->setStyleSheet(QString("color: %1; font-weight: 600;").arg(controls::theme::kChromeText.name()));
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
    sizeNote_->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    ok_ = new QPushButton(this);
    ok_->setDefault(true);
    for (QLineEdit* e : {width_, height_}) e->setAlignment(Qt::AlignRight);

    formatLabel_ = new QLabel(this);
    format_ = new QComboBox(this);
    format_->setObjectName("exportFormat");
    for (const PictureType* f : StillFormats())
        format_->addItem(QString::fromStdString(FormatDisplayName(*f)), QString::fromLatin1(f->name));
    qualityLabel_ = new QLabel(this);
    quality_ = new QSpinBox(this);
    quality_->setObjectName("exportQuality");
    quality_->setRange(1, 100);
    sizeLabel_ = new QLabel(this);
    originalSize_ = new QRadioButton(this);
    longSide_ = new QRadioButton(this);
    longSideValue_ = new QSpinBox(this);
    longSideValue_->setObjectName("exportLongSide");
    longSideValue_->setRange(16, kImageSizeLimit);
    pixelsLabel_ = new QLabel(this);
    delay_ = new QCheckBox(this);
    delayValue_ = new QSpinBox(this);
    delayValue_->setObjectName("exportDelay");
    delayValue_->setRange(10, kMaxGifFrameDelayCs * 10);
    delayValue_->setSingleStep(10);
    keepOpen_ = new QCheckBox(this);
    keepOpen_->setObjectName("exportKeepOpen");
    notice_ = new CNoticeBar(this);
    auto* sizeGroup = new QButtonGroup(this);
    sizeGroup->addButton(originalSize_);
    sizeGroup->addButton(longSide_);

    const std::pair<QWidget*, int> ids[] = {{imageRadio_, kImageRadioId}, {gifRadio_, kGifRadioId}, {dirLabel_, kDirLabelId},
                                            {path_, kPathId}, {browse_, kBrowseId}, {openFolder_, kOpenFolderId},
                                            {keepAspect_, kKeepAspectId}, {widthLabel_, kWidthLabelId}, {width_, kWidthId},
                                            {heightLabel_, kHeightLabelId}, {height_, kHeightId}, {ok_, kOkId}};
    for (const auto& [w, id] : ids) w->setProperty(kControlIdProperty, id);
}

void CDlgExport::EnableTypes(CEffectTemplate* t)
{
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
}

void CDlgExport::ApplyStillChoices(const QString& outputPath, const ExportChoices& choices)
{
    // The still's format: the one the path names when it names one, else the last one used.
    const PictureType* named = PictureTypeOfFile(outputPath.toStdString());
    const PictureType* format = named && named->writable ? named : PictureTypeNamed(choices.format);
    if (!format || !format->writable) format = PictureTypeNamed("jpg");
    format_->setCurrentIndex(std::max(0, format_->findData(QString::fromLatin1(format->name))));
    path_->setText(QString::fromStdString(PathForFormat(outputPath.toStdString(), CurrentFormat())));
    quality_->setValue(std::clamp(choices.quality, 1, 100));
    (choices.longSide > 0 ? longSide_ : originalSize_)->setChecked(true);
    const int longer = result_.empty() ? 1600 : std::max(result_.cols, result_.rows);
    longSideValue_->setValue(choices.longSide > 0 ? choices.longSide : std::min(longer, kImageSizeLimit));
    delay_->setChecked(choices.gifDelayCs > 0);
    delayValue_->setValue(choices.gifDelayCs > 0 ? choices.gifDelayCs * 10 : 100);
    keepOpen_->setChecked(choices.keepOpen);
}

void CDlgExport::ApplyGifChoices(const ExportChoices& choices)
{
    // The animation's largest size, kept in proportion to the result.
    keepAspect_->setChecked(true);
    rules_.SetKeepAspect(true);
    rules_.SetType(ExportType::Gif);
    if (!result_.empty()) rules_.SetImageSize(result_.cols, result_.rows);
    const ExportSize gif = choices.gifWidth > 0 && choices.gifHeight > 0
                               ? ExportSize{choices.gifWidth, choices.gifHeight}
                               : (result_.empty() ? ExportSize{kDefaultWidth, kDefaultHeight} : ExportSize{result_.cols, result_.rows});
    WriteSize(rules_.TypeChanged(gif));
}

void CDlgExport::CreateCloseBar()
{
    closeBar_ = new controls::CCoolButtonBar(this);
    closeBar_->SetUp({{1, tool::Close, 50, 0, 16, 13, 136, -1}}, controls::img::WinButtonsNormal, controls::img::WinButtonsHover,
                     controls::img::WinButtonsPressed, controls::img::WinButtonsDisabled);
    closeBar_->SetTarget(WindowId(), platform::msg::ToolbarCommand, 0);
    closeBar_->setObjectName("exportCloseBar");
}

void CDlgExport::ConnectControls()
{
    connect(imageRadio_, &QRadioButton::clicked, this, [this] { TypeChanged(ExportType::Image); });
    connect(gifRadio_, &QRadioButton::clicked, this, [this] { TypeChanged(ExportType::Gif); });
    connect(width_, &QLineEdit::textEdited, this, [this] { WidthEdited(); });
    connect(height_, &QLineEdit::textEdited, this, [this] { HeightEdited(); });
    connect(keepAspect_, &QCheckBox::clicked, this, [this] { KeepAspectSwitched(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    connect(openFolder_, &QPushButton::clicked, this, [this] { OpenFolder(); });
    connect(ok_, &QPushButton::clicked, this, [this] { Save(); });
    connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
    connect(path_, &QLineEdit::editingFinished, this, [this] { FollowTypedExtension(); });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{originalSize_, longSide_, delay_})
        connect(b, &QAbstractButton::toggled, this, [this] { UpdateControls(); });
    connect(longSideValue_, &QSpinBox::valueChanged, this, [this] { UpdateSizeNote(); });
    connect(longSideValue_, &QSpinBox::editingFinished, this, [this] { longSide_->setChecked(true); });
}

QString CDlgExport::OutputPath() const { return path_->text(); }

const PictureType& CDlgExport::CurrentFormat() const
{
    const PictureType* t = PictureTypeNamed(format_->currentData().toString().toStdString());
    return t ? *t : *PictureTypeNamed("jpg");
}

ExportChoices CDlgExport::Choices() const
{
    ExportChoices c;
    c.format = CurrentFormat().name;
    c.quality = quality_->value();
    c.longSide = longSide_->isChecked() ? longSideValue_->value() : 0;
    const ExportSize gif = ReadSize();
    c.gifWidth = gif.width;
    c.gifHeight = gif.height;
    c.gifDelayCs = delay_->isChecked() ? delayValue_->value() / 10 : 0;
    c.keepOpen = keepOpen_->isChecked();
    return c;
}

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
    formatLabel_->setText(Caption("Format"));
    qualityLabel_->setText(Caption("Quality"));
    sizeLabel_->setText(Caption("Size"));
    originalSize_->setText(Caption("Original size"));
    longSide_->setText(Caption("Long side"));
    pixelsLabel_->setText(Caption("pixels"));
    delay_->setText(Caption("Frame delay (ms)"));
    keepOpen_->setText(Caption("Keep this dialog open after saving"));
    notice_->Retranslate();
    UpdateSizeNote();
    closeBar_->Reload();
}

void CDlgExport::UpdateControls()
{
    const bool gif = type_ == ExportType::Gif;
    for (QWidget* w : std::initializer_list<QWidget*>{formatLabel_, format_, qualityLabel_, quality_, sizeLabel_,
                                                      originalSize_, longSide_, longSideValue_, pixelsLabel_})
        w->setVisible(!gif);
    for (QWidget* w : std::initializer_list<QWidget*>{keepAspect_, widthLabel_, width_, heightLabel_, height_, delay_, delayValue_})
        w->setVisible(gif);
    const bool lossy = TakesQuality(CurrentFormat());
    qualityLabel_->setEnabled(lossy);
    quality_->setEnabled(lossy);
    delayValue_->setEnabled(delay_->isChecked());
    UpdateSizeNote();
}

void CDlgExport::UpdateSizeNote()
{
    const auto times = QString::fromUtf8(" × ");
    QString text;
    if (type_ == ExportType::Gif) {
        // The animation may be smaller than asked (it is never enlarged): say what it will be.
        const ExportSize limit = ReadSize();
        CEffectTemplate* t = doc_.CurrentTemplate();
        const cv::Size written = t ? AnimationSizeWithin(*t, limit.width, limit.height) : cv::Size();
        text = Caption("Largest size: %1 pixels").arg(rules_.Limit());
        if (!written.empty())
            text += QString("    ·    ") + Caption("Will be written at %1 pixels").arg(QString::number(written.width) + times +
                                                                                       QString::number(written.height));
    } else if (!result_.empty()) {
        const ExportSize written =
            LongSideSize(result_.cols, result_.rows, longSide_->isChecked() ? longSideValue_->value() : 0);
        text = Caption("Full size: %1").arg(QString::number(result_.cols) + times + QString::number(result_.rows)) +
               QString("    ·    ") +
               Caption("Will be written at %1 pixels").arg(QString::number(written.width) + times + QString::number(written.height));
    }
    sizeNote_->setText(text);
}

void CDlgExport::resizeEvent(QResizeEvent*)
{
    const int w = width();
    closeBar_->setGeometry(w - 76, 8, 66, 13);
    title_->setGeometry(34, 0, w - 140, kCaption);
    int y = kCaption + 16;
    imageRadio_->setGeometry(20, y, 250, 24);
    gifRadio_->setGeometry(280, y, 260, 24);
    y += 36;
    dirLabel_->setGeometry(20, y, 300, 18);
    y += 22;
    path_->setGeometry(20, y, w - 40 - 44 - 130, 30);
    browse_->setGeometry(w - 20 - 130 - 40, y, 36, 30);
    openFolder_->setGeometry(w - 20 - 130, y, 130, 30);
    y += 46;
    // Still image: format and quality, then the size.
    formatLabel_->setGeometry(20, y, 110, 30);
    format_->setGeometry(130, y, 120, 30);
    qualityLabel_->setGeometry(280, y, 120, 30);
    quality_->setGeometry(400, y, 80, 30);
    // GIF: the largest size.
    widthLabel_->setGeometry(20, y, 60, 30);
    width_->setGeometry(80, y, 90, 30);
    heightLabel_->setGeometry(196, y, 60, 30);
    height_->setGeometry(256, y, 90, 30);
    y += 40;
    sizeLabel_->setGeometry(20, y, 110, 26);
    originalSize_->setGeometry(130, y, 150, 26);
    longSide_->setGeometry(280, y, 120, 26);
    longSideValue_->setGeometry(400, y - 2, 80, 30);
    pixelsLabel_->setGeometry(486, y, 64, 26);
    keepAspect_->setGeometry(20, y, w - 40, 26);
    y += 38;
    delay_->setGeometry(20, y, 220, 26);
    delayValue_->setGeometry(240, y - 2, 90, 30);
    y += 38;
    sizeNote_->setGeometry(20, y, w - 40, 18);
    y += 30;
    keepOpen_->setGeometry(20, y, w - 40, 24);
    ok_->setGeometry(w - 20 - 120, height() - 20 - 34, 120, 34);
    if (notice_->isVisible()) notice_->Place();
}

void CDlgExport::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(240, 240, 255));
    p.fillRect(QRect(0, 0, width(), kCaption), controls::theme::kChrome);
    p.drawPixmap(QRect(12, 7, 16, 16), controls::Skin::Image(controls::img::Logo));
    p.setPen(controls::theme::kBorder);
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
    const std::string path = path_->text().toStdString();
    path_->setText(QString::fromStdString(type == ExportType::Gif
                                              ? PathForType(path, type)
                                              : PathForFormat(path, CurrentFormat())));
    if (type == ExportType::Gif) WriteSize(rules_.TypeChanged(ReadSize()));
    UpdateControls();
}

void CDlgExport::FollowTypedExtension()
{
    // A name typed with the extension of another format the program writes asks for that format.
    const PictureType* named = PictureTypeOfFile(path_->text().trimmed().toStdString());
    if (type_ == ExportType::Image && named && named->writable && named != &CurrentFormat())
        format_->setCurrentIndex(format_->findData(QString::fromLatin1(named->name)));
}

void CDlgExport::FormatChanged()
{
    if (type_ == ExportType::Image)
        path_->setText(QString::fromStdString(
            PathForFormat(path_->text().toStdString(), CurrentFormat())));
    UpdateControls();
}

void CDlgExport::WidthEdited()
{
    WriteSize(rules_.WidthEdited(ReadSize()));
    UpdateSizeNote();
}

void CDlgExport::HeightEdited()
{
    WriteSize(rules_.HeightEdited(ReadSize()));
    UpdateSizeNote();
}

void CDlgExport::KeepAspectSwitched()
{
    rules_.SetKeepAspect(keepAspect_->isChecked());
    WriteSize(rules_.KeepAspectSwitched(ReadSize()));
    UpdateSizeNote();
}

void CDlgExport::Browse()
{
    const QString folder = QString::fromStdString(platform::ParentFolder(path_->text().toStdString()));
    const QString proposed = (folder.isEmpty() ? QString() : folder + "/") + "Untitled";
    QString chosen;
    if (type_ == ExportType::Gif) {
        chosen = QFileDialog::getSaveFileName(this, controls::Str(105), proposed + ".gif",
                                              Caption("Graphic Interchange Format") + " (*.gif)");
        if (!chosen.isEmpty() && !chosen.contains('.')) chosen += ".gif";
    } else {
        // The save itself asks before replacing a file.
        chosen = QFileDialog::getSaveFileName(this, controls::Str(105),
                                              proposed + QString::fromStdString(CurrentFormat().PreferredExtension()),
                                              PictureFileFilter(true), nullptr, QFileDialog::DontConfirmOverwrite);
        if (!chosen.isEmpty()) {
            path_->setText(chosen);
            FollowTypedExtension();  // a name that says another format picks that format
            chosen = QString::fromStdString(PathForFormat(chosen.toStdString(), CurrentFormat()));
        }
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
    std::string path = path_->text().trimmed().toStdString();
    if (path.empty()) return;
    if (!CheckSavePath(path)) {
        ShowMessage(this, controls::Str(144), Caption("Error"), MessageKind::Error);
        return;
    }
    auto ask = [this](const std::string&) {
        return ShowMessage(this, controls::Str(145), Caption("warning"), MessageKind::Warning,
                           QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    };
    std::string error;
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (type_ == ExportType::Gif) {
        const ExportSize size = ReadSize();
        if (size.width < 1 || size.height < 1) {
            ShowMessage(this, controls::Str(137), Caption("Error"), MessageKind::Error);
            return;
        }
        if (!t || !t->IsExpression()) {
            ShowMessage(this, controls::Str(143), Caption("No gif export"), MessageKind::Warning);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const SaveOutcome outcome =
            SaveGifFile(path, *t, size.width, size.height, ask, &error, delay_->isChecked() ? delayValue_->value() / 10 : 0);
        QApplication::restoreOverrideCursor();
        if (outcome == SaveOutcome::Saved) Saved(path);
        else if (outcome == SaveOutcome::Failed)
            ShowMessage(this, controls::Str(142) + "\n" + QString::fromStdString(error), Caption("Failed"), MessageKind::Error);
        return;
    }
    if (result_.empty()) {
        ShowMessage(this, controls::Str(138), Caption("No image"), MessageKind::Warning);
        return;
    }
    FollowTypedExtension();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const cv::Mat scaled = ScaleToLongSide(result_, longSide_->isChecked() ? longSideValue_->value() : 0);
    const SaveOutcome outcome = SaveImageFile(path, scaled, CurrentFormat(),
                                              quality_->value(), ask, &error);
    QApplication::restoreOverrideCursor();
    if (outcome == SaveOutcome::Saved) {
        Saved(path);
    } else if (outcome == SaveOutcome::Failed) {
        // Said aloud: a save that failed silently would leave the user thinking the file exists.
        ShowMessage(this, controls::Str(140) + "\n" + QString::fromStdString(error), Caption("Failed"), MessageKind::Error);
    }
}

void CDlgExport::Saved(const std::string& path)
{
    lastSaved_ = QString::fromStdString(path);
    path_->setText(lastSaved_);
    if (keepOpen_->isChecked()) {
        notice_->Show(Caption("Saved %1").arg(QString::fromStdString(platform::FileName(path))),
                      QString::fromStdString(platform::ParentFolder(path)));
        return;
    }
    accept();  // the window that opened the dialog shows the notice
}

}  // namespace shell
