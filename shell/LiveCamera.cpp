// SPDX-License-Identifier: MIT
#include "shell/LiveCamera.h"

#include "batch/TemplateSettings.h"
#include "camera/CameraSettings.h"
#include "camera/CameraSource.h"
#include "camera/LiveLoop.h"
#include "camera/LiveRenderer.h"
#include "camera/ShotFiles.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "engine/XmlText.h"
#include "controls/Skin.h"
#include "controls/ToolBar.h"
#include "shell/ImageConvert.h"
#include "shell/GrimazeDlg.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ShellIds.h"
#include "shell/WizardWnd.h"
#include "shell/ImageProcessDlg.h"

#include <tinyxml2.h>

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

#include <ctime>
#include <utility>

using batch::CaptureSettings;
using batch::RestoreSettings;
using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::CreateTemplate;
using engine::ParseXml;
using engine::RefPtr;

namespace shell {
namespace {

/**
 * A template of its own for the rendering thread: the same definition and settings as the one
 * the window shows, so the two never share rendering state. Null for a template that cannot be
 * made again (the live view then shows the plain frames).
 */
RefPtr<CEffectTemplate> CopyOf(CEffectTemplate& t)
{
    if (!t.definition) return {};
    tinyxml2::XMLPrinter printer;
    t.definition->GetDocument()->Print(&printer);
    auto definition = std::make_shared<tinyxml2::XMLDocument>();
    if (!ParseXml(*definition, printer.CStr())) return {};
    std::string why;
    CEffectTemplate* copy = CreateTemplate(definition, t.folder, nullptr, &why);
    if (!copy) return {};
    auto held = RefPtr<CEffectTemplate>::Adopt(copy);
    RestoreSettings(*held, CaptureSettings(t));
    return held;
}

QString ProblemText(camera::CameraState state, const std::string& message)
{
    QString what;
    switch (state) {
    case camera::CameraState::NoCamera: what = controls::Phrase("No camera found"); break;
    case camera::CameraState::Busy: what = controls::Phrase("The camera is busy"); break;
    case camera::CameraState::NotACamera: what = controls::Phrase("This is not a camera"); break;
    case camera::CameraState::Disappeared: what = controls::Phrase("The camera was disconnected"); break;
    case camera::CameraState::EndOfStream: what = controls::Phrase("The camera stopped"); break;
    default: what = controls::Phrase("The camera does not start"); break;
    }
    // The camera's own message may open with the same words; the heading says them already.
    std::string detail = message;
    if (const std::string prefix = "no camera found: "; detail.rfind(prefix, 0) == 0) detail.erase(0, prefix.size());
    return detail.empty() ? what : what + "\n" + QString::fromStdString(detail);
}

}  // namespace

CLiveCamera::CLiveCamera(CPhotoDocument& document, QWidget* parent, std::vector<QWidget*> areas)
    : QWidget(parent), doc_(document), areas_(std::move(areas))
{
    setObjectName("liveCamera");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    hide();
    mirror_ = camera::MirrorPreview();
    for (QWidget* area : areas_) area->installEventFilter(this);
    tick_.setInterval(1000);
    connect(&tick_, &QTimer::timeout, this, [this] { Tick(); });
    poll_.setInterval(200);
    connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
}

CLiveCamera::~CLiveCamera()
{
    StopThread();
    if (stillGiven_) doc_.SetThumbnailStill({});
}

bool CLiveCamera::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
        if (live_) QTimer::singleShot(0, this, [this] { FitToArea(); });
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void CLiveCamera::FitToArea()
{
    for (QWidget* area : areas_) {
        if (!area->isVisible() && area != areas_.back()) continue;
        setGeometry(area->geometry());
        break;
    }
    raise();
    viewSize_ = cv::Size(std::max(1, width()), std::max(1, height()));
    if (loop_) loop_->SetView(viewSize_);
}

void CLiveCamera::Start(const std::string& source)
{
    if (live_) return;
    problem_.clear();
    framesShown_ = 0;
    shownTimes_.clear();
    shown_ = QImage();
    shownFrame_.release();
    source_ = std::make_unique<camera::CameraSource>(source.empty() ? camera::CameraSourceSetting() : source);
    source_->SetPaced(true);
    // One notification at a time: the window takes whatever is newest when it gets to it.
    loop_ = std::make_unique<camera::LiveLoop>(
        *source_, [this] { QMetaObject::invokeMethod(this, [this] { FrameReady(); }, Qt::QueuedConnection); });
    loop_->SetMirror(mirror_);
    FitToArea();
    templateOf_ = nullptr;
    CheckTemplate();
    source_->Start();
    loop_->Start();
    live_ = true;
    poll_.start();
    show();
    raise();
    update();
    emit liveChanged(true);
}

void CLiveCamera::StopThread()
{
    // Closing first lets a rendering thread that waits for a frame go at once.
    if (source_) source_->Close();
    loop_.reset();
    source_.reset();
}

void CLiveCamera::Stop()
{
    if (!live_) return;
    StopThread();
    live_ = false;
    tick_.stop();
    poll_.stop();
    countdown_ = 0;
    shotsLeft_ = 0;
    if (std::exchange(stillGiven_, false)) {
        doc_.SetThumbnailStill({});
        emit thumbnailsChanged();
    }
    hide();
    emit liveChanged(false);
}

void CLiveCamera::SetMirror(bool on)
{
    mirror_ = on;
    camera::SetMirrorPreview(on);
    if (loop_) loop_->SetMirror(on);
}

void CLiveCamera::SetShowRate(bool on)
{
    showRate_ = on;
    update();
}

std::uint64_t CLiveCamera::FramesDropped() const
{
    if (!source_) return 0;
    const camera::CameraStats s = source_->Stats();
    return s.delivered > framesShown_ ? s.delivered - framesShown_ : 0;
}

void CLiveCamera::CheckTemplate()
{
    CEffectTemplate* current = doc_.CurrentTemplate();
    if (current == templateOf_) return;
    templateOf_ = current;
    if (loop_) loop_->SetTemplate(current ? CopyOf(*current) : RefPtr<CEffectTemplate>());
}

void CLiveCamera::FrameReady()
{
    if (!live_ || !loop_) return;
    CheckTemplate();
    camera::LiveLoop::Result result;
    const bool fresh = loop_->TakeResult(result);
    for (camera::LiveLoop::Shot& s : loop_->TakeShots()) emit photoTaken(QString::fromStdString(s.path), s.result);
    if (!fresh || result.image.empty()) return;
    shownFrame_ = result.frame;
    if (!stillGiven_) {
        // The gallery shows what the templates would do to the camera, the way the view shows it.
        stillGiven_ = true;
        doc_.SetThumbnailStill(mirror_ ? camera::Mirrored(result.frame) : result.frame);
        emit thumbnailsChanged();
    }
    const auto captured = result.captured;
    shown_ = ToQImage(result.image);
    ++framesShown_;
    const auto now = std::chrono::steady_clock::now();
    latencyMs_ = std::chrono::duration<double, std::milli>(now - captured).count();
    shownTimes_.push_back(now);
    while (shownTimes_.size() > 30) shownTimes_.pop_front();
    problem_.clear();
    update();
}

void CLiveCamera::Poll()
{
    if (!source_) return;
    const camera::CameraState state = source_->State();
    if (camera::IsFinal(state) && state != camera::CameraState::Closed) {
        const QString text = ProblemText(state, source_->Message());
        if (text != problem_) {
            problem_ = text;
            update();
        }
    }
    // A template picked in the gallery while no frame comes is taken up all the same.
    CheckTemplate();
}

void CLiveCamera::TakePhoto(int shots)
{
    if (!live_ || shotsLeft_ > 0) return;
    shotsLeft_ = std::max(1, shots);
    countdown_ = camera::CountdownSeconds();
    if (countdown_ == 0) {
        Shoot();
    } else {
        tick_.start();
        update();
    }
}

void CLiveCamera::Tick()
{
    if (countdown_ > 0) {
        --countdown_;
        update();
        if (countdown_ > 0) return;
    }
    Shoot();
}

void CLiveCamera::Shoot()
{
    // The frame the user saw last, at the camera's full size and the right way round.
    if (!shownFrame_.empty()) {
        std::string error;
        const std::string path = camera::SaveShot(shownFrame_, camera::ShotFolder(), std::time(nullptr), &error);
        if (path.empty()) {
            problem_ = controls::Phrase("The photo cannot be saved") + "\n" + QString::fromStdString(error);
        } else {
            shots_ << QString::fromStdString(path);
            if (loop_) loop_->RenderShot({path, shownFrame_, {}});
        }
        flash_.start();
        QTimer::singleShot(kFlashMs + 20, this, [this] { update(); });
    }
    --shotsLeft_;
    if (shotsLeft_ > 0) {
        tick_.start(kBurstIntervalMs);
    } else {
        tick_.stop();
        tick_.setInterval(1000);
    }
    update();
}

void CLiveCamera::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 24, 24));
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!shown_.isNull()) {
        QSize s = shown_.size();
        s.scale(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
        p.drawImage(target, shown_);
    }
    QFont f = font();
    if (!problem_.isEmpty()) {
        f.setPointSizeF(f.pointSizeF() * 1.3);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap, problem_);
    } else if (shown_.isNull()) {
        p.setPen(QColor(200, 200, 200));
        p.drawText(rect(), Qt::AlignCenter, controls::Phrase("Starting the camera..."));
    }
    if (countdown_ > 0) {
        QFont big = font();
        big.setPixelSize(std::max(24, height() / 3));
        big.setBold(true);
        p.setFont(big);
        p.setPen(QPen(QColor(0, 0, 0, 160)));
        p.drawText(rect().translated(3, 3), Qt::AlignCenter, QString::number(countdown_));
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QString::number(countdown_));
    }
    if (flash_.isValid() && flash_.elapsed() < kFlashMs) {
        const int alpha = static_cast<int>(230 * (1.0 - double(flash_.elapsed()) / kFlashMs));
        p.fillRect(rect(), QColor(255, 255, 255, std::clamp(alpha, 0, 255)));
        QTimer::singleShot(16, this, [this] { update(); });
    }
    if (showRate_) {
        double fps = 0;
        if (shownTimes_.size() > 1)
            fps = (shownTimes_.size() - 1) /
                  std::max(1e-6, std::chrono::duration<double>(shownTimes_.back() - shownTimes_.front()).count());
        const QString text = controls::Phrase("%1 fps, %2 dropped, %3 ms")
                                 .arg(fps, 0, 'f', 1)
                                 .arg(FramesDropped())
                                 .arg(static_cast<int>(latencyMs_));
        p.setFont(font());
        const QRect box = p.fontMetrics().boundingRect(text).adjusted(-6, -3, 6, 3).translated(12, 12 + p.fontMetrics().ascent());
        p.fillRect(box, QColor(0, 0, 0, 150));
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignCenter, text);
    }
}

void CLiveCamera::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* mirror = menu.addAction(controls::Phrase("Mirror view"));
    mirror->setCheckable(true);
    mirror->setChecked(mirror_);
    connect(mirror, &QAction::toggled, this, [this](bool on) { SetMirror(on); });
    QAction* rate = menu.addAction(controls::Phrase("Show frame rate"));
    rate->setCheckable(true);
    rate->setChecked(showRate_);
    connect(rate, &QAction::toggled, this, [this](bool on) { SetShowRate(on); });
    QMenu* countdown = menu.addMenu(controls::Phrase("Countdown"));
    auto* group = new QActionGroup(countdown);
    for (int s : {0, 3, 5, 10}) {
        QAction* a = countdown->addAction(s == 0 ? controls::Phrase("None") : controls::Phrase("%1 seconds").arg(s));
        a->setCheckable(true);
        a->setChecked(camera::CountdownSeconds() == s);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [s] { camera::SetCountdownSeconds(s); });
    }
    menu.addSeparator();
    connect(menu.addAction(controls::Phrase("Take photo")), &QAction::triggered, this, [this] { TakePhoto(1); });
    connect(menu.addAction(controls::Phrase("Burst of 4")), &QAction::triggered, this, [this] { TakePhoto(kBurstShots); });
    menu.exec(event->globalPos());
}

CLiveCamera* AttachLiveCamera(CGrimazeDlg& window, CPhotoDocument& document)
{
    auto* live = new CLiveCamera(document, window.Work(), {window.Work()->Preview(), window.Work()->Wizard()});
    auto* space = new QShortcut(Qt::Key_Space, &window);
    space->setContext(Qt::WindowShortcut);
    space->setEnabled(false);
    QObject::connect(space, &QShortcut::activated, live, [live] { live->TakePhoto(1); });
    QObject::connect(live, &CLiveCamera::liveChanged, &window, [&window, space](bool on) {
        space->setEnabled(on);
        platform::Post(window.WindowId(), platform::msg::ToolbarButtonUpdate, 0, 0);
    });
    QObject::connect(live, &CLiveCamera::thumbnailsChanged, &window,
                     [&window] { platform::Post(window.WindowId(), platform::msg::ReselectTemplate, 4, 0); });
    // The strip takes one batch of photos at a time: shots that come while it is busy wait.
    auto waiting = std::make_shared<QStringList>();
    auto flush = std::make_shared<std::function<void()>>();
    *flush = [&window, waiting, flush] {
        if (waiting->isEmpty()) return;
        if (window.Busy()) {
            QTimer::singleShot(200, &window, [flush] { (*flush)(); });
            return;
        }
        const QStringList files = *waiting;
        waiting->clear();
        window.AddFiles(files);
    };
    QObject::connect(live, &CLiveCamera::photoTaken, &window,
                     [&document, waiting, flush](const QString& path, const cv::Mat& result) {
                         document.AddResultToHistory(result);
                         waiting->append(path);
                         (*flush)();
                     });
    return live;
}

void AddLiveCameraButtons(std::vector<controls::ToolItem>& items, const CLiveCamera* live)
{
    auto button = [&](int command, const char* text, const char* tip, bool checked = false) {
        controls::ToolItem it;
        it.command = command;
        it.icon = controls::Skin::IconForName(text);
        it.text = controls::Phrase(text);
        it.tooltip = controls::Phrase(tip);
        it.checked = checked;
        items.push_back(it);
    };
    const bool on = live && live->IsLive();
    button(tool::Camera, "Camera", "Show the camera live through the template", on);
    if (on) {
        button(tool::TakePhoto, "Take photo", "Count down and take a photo (Space)");
        button(tool::Burst, "Burst", "Take 4 photos, one a second");
    }
}

void LiveCameraCommand(CLiveCamera& live, int command)
{
    switch (command) {
    case tool::Camera:
        if (live.IsLive())
            live.Stop();
        else
            live.Start({});
        break;
    case tool::TakePhoto: live.TakePhoto(1); break;
    case tool::Burst: live.TakePhoto(CLiveCamera::kBurstShots); break;
    default: break;
    }
}

}  // namespace shell
