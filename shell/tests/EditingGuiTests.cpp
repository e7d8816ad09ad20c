#include "shell/tests/EditingGuiTests.h"

#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "shell/ExportDialog.h"
#include "shell/Messages.h"
#include "shell/NoticeBar.h"
#include "shell/logic/ExportSave.h"
#include "shell/PreviewWnd.h"
#include "shell/tests/GuiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

#include <filesystem>

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

void EditingGuiTest::exportDialogFormatsQualityAndLongSide()
{
    SelectTestTemplate("Formats");
    doc_->RenderFull();
    MessageLog log;
    log.Install();
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/pic.jpg"), main_.get());
    dlg.KeepOpenCheck()->setChecked(true);
    QStringList names;
    for (int i = 0; i < dlg.FormatBox()->count(); ++i) names << dlg.FormatBox()->itemText(i);
    QCOMPARE(names, (QStringList{"JPEG", "PNG", "BMP", "TIFF", "WebP"}));
    QCOMPARE(dlg.QualityBox()->value(), 92);
    QVERIFY(dlg.QualityBox()->isEnabled());
    QVERIFY(dlg.OriginalSizeRadio()->isChecked());

    // Quality counts: a rougher JPEG is a smaller file.
    dlg.Save();
    const auto fine = std::filesystem::file_size(dir_->path() + "/pic.jpg");
    dlg.QualityBox()->setValue(20);
    dlg.PathEdit()->setText(QString::fromStdString(dir_->path() + "/rough.jpg"));
    dlg.Save();
    QVERIFY(std::filesystem::file_size(dir_->path() + "/rough.jpg") < fine);

    // PNG takes no quality; the extension follows the format; the long side scales.
    dlg.FormatBox()->setCurrentIndex(1);
    QVERIFY(!dlg.QualityBox()->isEnabled());
    QVERIFY(dlg.PathEdit()->text().endsWith("/rough.png"));
    dlg.LongSideBox()->setValue(128);
    dlg.LongSideRadio()->click();
    dlg.Save();
    QCOMPARE(cv::imread(dir_->path() + "/rough.png").size(), cv::Size(128, 128));
    QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('|')));

    // WebP and TIFF are written too, each under its own extension.
    for (const char* name : {"webp", "tiff"}) {
        dlg.FormatBox()->setCurrentIndex(dlg.FormatBox()->findData(QString(name)));
        dlg.Save();
        QVERIFY(dlg.PathEdit()->text().endsWith(QString::fromStdString(PictureTypeNamed(name)->PreferredExtension())));
        QVERIFY(!cv::imread(dlg.PathEdit()->text().toStdString()).empty());
    }

    // The choices go back to the window and come again next time.
    const ExportChoices c = dlg.Choices();
    QCOMPARE(c.longSide, 128);
    QCOMPARE(c.quality, 20);
    CDlgExport again(*doc_, QString::fromStdString(dir_->path() + "/next"), main_.get(), c);
    QCOMPARE(again.Choices(), c);
    QVERIFY(again.PathEdit()->text().endsWith(QString("/next") + QString::fromStdString(PictureTypeNamed(c.format)->PreferredExtension())));
}

void EditingGuiTest::keptOpenExportShowsANoticeWithOpenFolder()
{
    SelectTestTemplate("Notice");
    doc_->RenderFull();
    MessageLog log;
    log.Install();
    QString opened;
    CNoticeBar::SetOpenFolderHook([&](const QString& folder) { opened = folder; });
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/kept.png"), main_.get());
    dlg.show();
    dlg.KeepOpenCheck()->setChecked(true);
    dlg.Save();
    QVERIFY(log.texts.isEmpty());  // no box to click away
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.Notice()->isVisible());
    QVERIFY(dlg.Notice()->Label()->text().contains("kept.png"));
    QTest::mouseClick(dlg.Notice()->OpenFolderButton(), Qt::LeftButton);
    QCOMPARE(opened, QString::fromStdString(dir_->path()));
    CNoticeBar::SetOpenFolderHook(nullptr);
    // Unticked, the next save closes the dialog.
    dlg.KeepOpenCheck()->setChecked(false);
    dlg.Save();
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void EditingGuiTest::gifFrameDelayIsWrittenOnlyWhenAskedFor()
{
    SelectTestTemplate("Delay", "GifTestTemplate");
    doc_->RenderFull();
    MessageLog log;
    log.Install();
    CDlgExport dlg(*doc_, QString::fromStdString(dir_->path() + "/a.gif"), main_.get());
    dlg.KeepOpenCheck()->setChecked(true);
    dlg.GifRadio()->click();
    QVERIFY(!dlg.DelayCheck()->isChecked());
    QVERIFY(!dlg.DelayBox()->isEnabled());
    dlg.Save();
    std::string plain, slow;
    QVERIFY(platform::ReadFile(dir_->path() + "/a.gif", plain, 1 << 20));
    QCOMPARE(plain.find(std::string("\x21\xF9\x04", 3)), std::string::npos);
    dlg.DelayCheck()->setChecked(true);
    dlg.DelayBox()->setValue(250);
    dlg.PathEdit()->setText(QString::fromStdString(dir_->path() + "/slow.gif"));
    dlg.Save();
    QVERIFY(platform::ReadFile(dir_->path() + "/slow.gif", slow, 1 << 20));
    QVERIFY(slow.find(std::string("\x21\xF9\x04\x00\x19\x00", 6)) != std::string::npos);  // 25 hundredths
    QCOMPARE(dlg.Choices().gifDelayCs, 25);
}
