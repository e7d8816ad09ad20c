// SPDX-License-Identifier: MIT
#include "shell/tests/GuiTestSupport.h"

#include "engine/TemplateFile.h"
#include "library/GalleryModel.h"
#include "shell/Messages.h"
#include "shell/FilterList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ProcessProp.h"
#include "shell/ShellIds.h"
#include "shell/ImageProcessDlg.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

using namespace engine;

namespace guitest {

void MessageLog::Install()
{
    shell::SetMessageHook([this](const QString& text, const QString&, QMessageBox::StandardButtons) {
        texts << text;
        return answer;
    });
}

bool MessageLog::Saw(const QString& part) const
{
    for (const QString& t : texts)
        if (t.contains(part)) return true;
    return false;
}

void Click(QWidget* w, const QPoint& p, Qt::KeyboardModifiers mods)
{
    QTest::mouseClick(w, Qt::LeftButton, mods, p);
}

void SendMouse(QWidget* w, QEvent::Type type, const QPointF& p, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, p, w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

bool ProgramWindow::Open(Page page)
{
    shell::SetMessageHook(nullptr);
    doc_ = std::make_unique<CPhotoDocument>();
    if (page == Page::None) dir_ = std::make_unique<testenv::TempDir>();
    NewWindow(page);
    main_->show();
    bool shown = true;
    if (page == Page::Gallery) {
        shown = QTest::qWaitForWindowExposed(main_.get());
    } else {
        main_->activateWindow();
        shown = QTest::qWaitForWindowActive(main_.get());
    }
    Drain();
    return shown;
}

void ProgramWindow::NewWindow(Page page)
{
    main_.reset();
    shell::CGrimazeDlg::Hooks hooks;
    if (page == Page::Gallery) {
        CPhotoDocument* doc = doc_.get();
        hooks.pageFactory = [doc](QWidget* parent) -> shell::CTemplatePageBase* {
            return new shell::CProcessProp(*doc, parent);
        };
    }
    main_ = std::make_unique<shell::CGrimazeDlg>(*doc_, hooks);
}

void ProgramWindow::Close()
{
    main_.reset();
    template_.reset();
    doc_.reset();
    dir_.reset();
    shell::SetMessageHook(nullptr);
}

void ProgramWindow::SelectTestTemplate(const char* name, bool deferred, bool region, const char* templateClass)
{
    const std::string folder = WriteShiftTemplate(dir_->path(), name, deferred, region, templateClass);
    std::string error;
    template_ = OpenTemplate(folder, doc_.get(), &error);
    QVERIFY2(template_, error.c_str());
    // What the template page does on a selection.
    doc_->SetCurrentTemplate(template_.get());
    platform::Send(main_->WindowId(), platform::msg::HideWizard, 0, 0);
    doc_->Render();
    shell::CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    platform::Post(preview->WindowId(), doc_->IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0, 0);
    platform::Send(main_->WindowId(), platform::msg::ModeRequest, 0, 0);
    platform::Send(main_->WindowId(), platform::msg::TemplateChanged, reinterpret_cast<std::intptr_t>(template_.get()), 0);
    platform::Send(main_->WindowId(), platform::msg::ToolbarState, 0, 1 << 16);
    Drain();
    if (deferred) {
        doc_->WaitForRendering();
        Drain();
    }
}

bool ProgramWindow::PickTemplate(const QString& name)
{
    auto* page = qobject_cast<shell::CProcessProp*>(main_->Work()->Page());
    if (!page) return false;
    for (int c = 0; c < page->CategoryCount(); ++c) {
        platform::Send(main_->Work()->WindowId(), platform::msg::ToolbarCommand, c, 0);
        for (const auto& cell : page->Model()->BuildPaintPlan().cells) {
            if (QString::fromStdString(cell.label) != name) continue;
            QTest::mouseClick(page->Gallery(), Qt::LeftButton, {},
                              QPoint(cell.rect.x + cell.rect.width / 2, cell.rect.y + cell.rect.height / 2));
            Drain();
            doc_->WaitForRendering();
            Drain();
            return doc_->CurrentTemplate() != nullptr;
        }
    }
    return false;
}

bool ProgramWindow::ExportThrough(const std::function<void(shell::CDlgExport& dialog)>& use, int timeoutMs)
{
    bool done = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        shell::CDlgExport* dlg = main_->ExportDialog();
        if (!dlg || done) return;
        done = true;
        use(*dlg);
    });
    poll.start(20);
    main_->Command(shell::tool::Export);
    return QTest::qWaitFor([&] { return done; }, timeoutMs);
}

}  // namespace guitest
