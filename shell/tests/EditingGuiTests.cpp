#include "shell/tests/EditingGuiTests.h"

#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "shell/ExportDialog.h"
#include "shell/Messages.h"
#include "shell/PreviewWnd.h"
#include "shell/tests/GuiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

using namespace shell;

namespace {

struct MessageLog {
    QStringList texts;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    void Install()
    {
        SetMessageHook([this](const QString& text, const QString&, QMessageBox::StandardButtons) {
            texts << text;
            return answer;
        });
    }
};

/** The logical screen size of a GIF file (bytes 6 to 9), or 0 x 0. */
QSize GifSize(const std::string& path)
{
    std::string bytes;
    if (!platform::ReadFile(path, bytes, 1 << 20) || bytes.size() < 10) return {};
    auto u16 = [&](size_t at) { return int(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8); };
    return {u16(6), u16(8)};
}

}  // namespace

void EditingGuiTest::init()
{
    SetMessageHook(nullptr);
    dir_ = std::make_unique<testenv::TempDir>();
    doc_ = std::make_unique<CPhotoDocument>();
    main_ = std::make_unique<CGrimazeDlg>(*doc_, CGrimazeDlg::Hooks{});
    main_->show();
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));
    guitest::Drain();
}

void EditingGuiTest::cleanup()
{
    main_.reset();
    if (template_) {
        delete static_cast<RefPtr<CEffectTemplate>*>(template_);
        template_ = nullptr;
    }
    doc_.reset();
    dir_.reset();
    SetMessageHook(nullptr);
}

void EditingGuiTest::SelectTestTemplate(const char* name, const char* templateClass)
{
    const std::string folder = guitest::WriteShiftTemplate(dir_->path(), name, false, true, templateClass);
    std::string error;
    if (!template_) template_ = new RefPtr<CEffectTemplate>();
    RefPtr<CEffectTemplate>& t = *static_cast<RefPtr<CEffectTemplate>*>(template_);
    t = OpenTemplate(folder, doc_.get(), &error);
    QVERIFY2(t, error.c_str());
    // What the template page does on a selection.
    doc_->SetCurrentTemplate(t.get());
    platform::Send(main_->WindowId(), platform::msg::HideWizard, 0, 0);
    doc_->Render();
    platform::Post(main_->Work()->Preview()->WindowId(), platform::msg::ResultReady, 0, 0);
    platform::Send(main_->WindowId(), platform::msg::ModeRequest, 0, 0);
    platform::Send(main_->WindowId(), platform::msg::TemplateChanged, reinterpret_cast<std::intptr_t>(t.get()), 0);
    platform::Send(main_->WindowId(), platform::msg::ToolbarState, 0, 1 << 16);
    guitest::Drain();
}

// --- Export ------------------------------------------------------------------------------------

void EditingGuiTest::gifExportShowsTheSizeItWrites()
{
    SelectTestTemplate("Gif", "GifTestTemplate");
    doc_->RenderFull();
    MessageLog log;
    log.Install();
    const std::string target = dir_->path() + "/anim.gif";
    CDlgExport dlg(*doc_, QString::fromStdString(target), main_.get());
    QVERIFY(dlg.GifRadio()->isEnabled());
    dlg.GifRadio()->click();
    // The result is 512 x 512, but the animation is of the 95 x 95 face and never enlarged.
    QVERIFY2(dlg.SizeNote()->text().contains(QString::fromUtf8("95 × 95")), qPrintable(dlg.SizeNote()->text()));
    dlg.Save();
    QCOMPARE(GifSize(target), QSize(95, 95));
}

void EditingGuiTest::stillExportAfterAGifTakesTheFormatsExtension()
{
    SelectTestTemplate("Gif", "GifTestTemplate");
    doc_->RenderFull();
    MessageLog log;
    log.Install();
    // The last export was a GIF: the next still export opens with that name.
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/anim.gif"), main_.get());
    QVERIFY(dlg.ImageRadio()->isChecked());
    QCOMPARE(dlg.PathEdit()->text(), QString::fromStdString(dir_->path() + "/anim.jpg"));
    dlg.Save();
    QVERIFY(platform::FileExists(dir_->path() + "/anim.jpg"));
    QVERIFY(!platform::FileExists(dir_->path() + "/anim.gif.jpg"));
}
