// SPDX-License-Identifier: MIT
#include "shell/tests/EditingGuiTests.h"

#include "engine/SimpleTemplate.h"
#include "i18n/LanguageManager.h"
#include "engine/TemplateFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "settings/GrimazeSettings.h"
#include "controls/CoolButtonBar.h"
#include "shell/BatchExportDlg.h"
#include "shell/DlgExport.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/ShellIds.h"
#include "shell/ImageProcessDlg.h"
#include "shell/Messages.h"
#include "shell/NoticeBar.h"
#include "shell/logic/ExportSave.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ProcessProp.h"
#include "shell/WizardWnd.h"
#include "controls/UiText.h"
#include "shell/tests/GuiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>

using namespace engine;
using namespace settings;

using namespace shell;
using guitest::MessageLog;

namespace {

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
    QVERIFY(Open());
}

void EditingGuiTest::cleanup() { Close(); }

// --- Export ------------------------------------------------------------------------------------

void EditingGuiTest::gifExportShowsTheSizeItWrites()
{
    SelectTestTemplate("Gif", false, true, "GifTestTemplate");
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
    SelectTestTemplate("Gif", false, true, "GifTestTemplate");
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
    // Another language: the passing notice, said in the last one, goes.
    dlg.Notice()->Retranslate();
    QVERIFY(!dlg.Notice()->isVisible());
    dlg.Notice()->Show("Saved kept.png", QString::fromStdString(dir_->path()));
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
    SelectTestTemplate("Delay", false, true, "GifTestTemplate");
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

// --- Menus, recent photos, clipboard ---------------------------------------------------------

void EditingGuiTest::fileMenuInAMenuBarAndQuit()
{
    QMenuBar* bar = main_->MenuBar();
    QVERIFY(bar->isVisible());
    const QList<QAction*> menus = bar->actions();
    QVERIFY(menus.size() >= 3);
    QCOMPARE(menus[0]->text(), QString("File"));
    QStringList items;
    for (QAction* a : menus[0]->menu()->actions())
        if (!a->isSeparator()) items << a->text();
    QCOMPARE(items, (QStringList{"Open Images...", "Recent Photos", "Export Image...", "Export Selected...",
                                 "Export GIF Animation...", "Exit"}));
    QCOMPARE(bar->findChild<QAction*>("quitAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The menu bar sits in the caption, clear of the window buttons.
    QVERIFY(bar->geometry().right() < main_->WindowButtons()->geometry().left());
    // In German the words are longer: the bar grows with them and shows every menu.
    const std::vector<i18n::LanguageEntry> table = i18n::Languages().LanguageTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_deu.ini") main_->MenuCommand(menu::FirstLanguage + static_cast<int>(i));
    for (QAction* m : bar->actions())
        QVERIFY2(bar->rect().contains(bar->actionGeometry(m)), qPrintable(m->text()));
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_eng.ini") main_->MenuCommand(menu::FirstLanguage + static_cast<int>(i));
    QTest::keyClick(main_.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!main_->isVisible());
}

void EditingGuiTest::recentPhotosAndCopyToClipboard()
{
    const std::string photo = dir_->path() + "/beach.png";
    QVERIFY(cv::imwrite(photo, cv::Mat(60, 80, CV_8UC3, cv::Scalar(10, 200, 30))));
    main_->AddFiles({QString::fromStdString(photo)});
    guitest::Drain();
    QCOMPARE(main_->Recent().Items().front(), photo);
    emit main_->RecentMenu()->aboutToShow();
    QCOMPARE(main_->RecentMenu()->actions().front()->text(), QString("beach.png"));

    // The result is copied at full size, not at the preview's: a photo larger than the view.
    const std::string large = dir_->path() + "/large.png";
    cv::Mat big(900, 1400, CV_8UC3);
    cv::randu(big, 0, 200);
    QVERIFY(cv::imwrite(large, big));
    main_->AddFiles({QString::fromStdString(large)});
    guitest::Drain();
    QApplication::clipboard()->clear();
    SelectTestTemplate("Copy");
    QVERIFY(doc_->ShownResult().cols < 1400);
    QTest::keyClick(main_.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!main_->Busy() && !QApplication::clipboard()->image().isNull(), 20000);
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888);
    QCOMPARE(copied.size(), QSize(1400, 900));
    // The template's pixels (the photo brightened by its default 10), not the photo's.
    const cv::Vec3b p = big.at<cv::Vec3b>(450, 700);
    const QRgb c = copied.pixel(700, 450);
    QCOMPARE(qRed(c), p[2] + 10);
    QCOMPARE(qBlue(c), p[0] + 10);
    QVERIFY(main_->Notice()->isVisible());

    // A recent photo whose file has gone is dropped from the list when chosen.
    std::filesystem::remove(photo);
    MessageLog log;
    log.Install();
    emit main_->RecentMenu()->aboutToShow();
    QAction* gone = nullptr;
    for (QAction* a : main_->RecentMenu()->actions())
        if (a->data().toString() == QString::fromStdString(photo)) gone = a;
    QVERIFY(gone);
    gone->trigger();
    QVERIFY(std::find(main_->Recent().Items().begin(), main_->Recent().Items().end(), photo) == main_->Recent().Items().end());
    QCOMPARE(log.texts.size(), 1);
}

void EditingGuiTest::exportChoicesAndRecentPhotosAreRememberedForTheNextRun()
{
    const CGrimazeSettings before = GrimazeSettings();
    std::vector<std::string> photos;
    for (int i = 0; i < 12; ++i) {
        photos.push_back(dir_->path() + "/p" + std::to_string(i) + ".png");
        QVERIFY(cv::imwrite(photos.back(), cv::Mat(20, 30, CV_8UC3, cv::Scalar::all(10 * i))));
        main_->AddFiles({QString::fromStdString(photos.back())});
    }
    guitest::Drain();
    ExportChoices chosen;
    chosen.format = "webp";
    chosen.quality = 77;
    chosen.longSide = 1200;
    chosen.gifWidth = 150;
    chosen.gifHeight = 120;
    chosen.gifDelayCs = 30;
    chosen.keepOpen = true;
    main_->SetExportChoices(chosen);
    const std::vector<std::string> recent = main_->Recent().Items();
    QCOMPARE(recent.size(), size_t(10));
    QCOMPARE(recent.front(), photos.back());

    // The program ends as main() ends it: the window goes, then the settings file is written.
    main_->ShowAsRemembered();
    main_.reset();
    QVERIFY(SaveGrimazeSettings());
    auto nextRun = [this] {
        GrimazeSettings() = CGrimazeSettings();
        LoadGrimazeSettings(false);
        main_ = std::make_unique<CGrimazeDlg>(*doc_, CGrimazeDlg::Hooks{});
        main_->ShowAsRemembered();
    };
    nextRun();
    QCOMPARE(main_->LastExportChoices(), chosen);
    QCOMPARE(main_->Recent().Items(), recent);
    emit main_->RecentMenu()->aboutToShow();
    QCOMPARE(main_->RecentMenu()->actions().front()->text(), QString("p11.png"));
    {
        // The export dialog opens with them.
        CDlgExport dlg(*doc_, main_->DefaultOutputFile(), main_.get(), main_->LastExportChoices());
        QCOMPARE(dlg.QualityBox()->value(), 77);
        QCOMPARE(dlg.LongSideBox()->value(), 1200);
        QVERIFY(dlg.KeepOpenCheck()->isChecked());
        QCOMPARE(dlg.FormatBox()->currentData().toString(), QString("webp"));
    }

    // A value damaged in the file falls back to its default; the rest still counts.
    main_.reset();
    std::string text;
    QVERIFY(platform::ReadFile(SettingsFilePath(), text, 1 << 20));
    const size_t at = text.find("jpegQuality=");
    QVERIFY(at != std::string::npos);
    text.replace(at, text.find('\n', at) - at, "jpegQuality=\"very good\"");
    const size_t side = text.find("exportLongSide=");
    QVERIFY(side != std::string::npos);
    text.replace(side, text.find('\n', side) - side, "exportLongSide=dword:00100000");
    QVERIFY(platform::WriteFileAtomically(SettingsFilePath(), text));
    nextRun();
    ExportChoices expected = chosen;
    expected.quality = kDefaultQuality;
    expected.longSide = 0;
    QCOMPARE(main_->LastExportChoices(), expected);
    QCOMPARE(main_->Recent().Items(), recent);

    main_.reset();
    std::filesystem::remove(SettingsFilePath());
    GrimazeSettings() = before;
    main_ = std::make_unique<CGrimazeDlg>(*doc_, CGrimazeDlg::Hooks{});
}

void EditingGuiTest::libraryThatCannotBeInstalledIsSaidOnceWithoutBlocking()
{
    // The per-user data folder is blocked by a file of that name: the library cannot be installed.
    const CGrimazeSettings before = GrimazeSettings();
    const std::string data = dir_->path() + "/data";
    std::filesystem::create_directories(data);
    std::ofstream(data + "/Kestrovo") << "not a folder";
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
    MessageLog log;
    log.Install();
    NewWindow(Page::Gallery);
    main_->ShowAsRemembered();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    guitest::Drain();
    if (oldData.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", oldData);

    QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join('|')));  // nothing to click away
    CNoticeBar* notice = main_->Notice();
    QVERIFY(notice->isVisible());
    const QString text = notice->Label()->text();
    QVERIFY2(text.startsWith("The template library cannot be installed in " + QString::fromStdString(data)) &&
                 text.endsWith('.'),
             qPrintable(text));
    // Readable in the window: wrapped inside it, not cut.
    QVERIFY(main_->rect().contains(notice->geometry()));
    QVERIFY(notice->Label()->height() >= notice->Label()->heightForWidth(notice->Label()->width()));
    // It stays until closed, and is not said again.
    QTest::qWait(50);
    QVERIFY(notice->isVisible());
    notice->Retranslate();  // not even when the language changes
    QVERIFY(notice->isVisible());
    notice->hide();
    main_->ShowLibraryProblems();
    QVERIFY(!notice->isVisible());

    main_.reset();
    GrimazeSettings() = before;
    main_ = std::make_unique<CGrimazeDlg>(*doc_, CGrimazeDlg::Hooks{});
}

void EditingGuiTest::welcomePanelFitsTheSmallestWindow()
{
    main_->Work()->ShowWizard(true);
    // The smallest window this screen allows, and 800 x 500 (a 1600 x 1000 screen at 200 %).
    for (const QSize size : {main_->minimumSize(), QSize(800, 500)}) {
        main_->setMinimumSize(size);
        main_->resize(size);
        guitest::Drain();
        auto* wizard = main_->Work()->findChild<CWizardWnd*>();
        QVERIFY(wizard && wizard->isVisible());
        const QRect pic = wizard->PictureRect();
        QVERIFY2(wizard->rect().contains(pic), qPrintable(QString("%1x%2 in %3x%4").arg(pic.width()).arg(pic.height())
                                                               .arg(wizard->width()).arg(wizard->height())));
        QVERIFY(wizard->rect().contains(wizard->HintRect()));
        QVERIFY(!wizard->HintRect().intersects(pic));
        QVERIFY(pic.contains(wizard->CloseBoxRect()));
        QFont hint = wizard->font();
        hint.setPixelSize(13);
        QVERIFY(QFontMetrics(hint).horizontalAdvance(controls::Str(161)) <= wizard->HintRect().width());
    }
}

// --- Undo of edits ----------------------------------------------------------------------------

void EditingGuiTest::undoTakesBackASliderDragAsOneStepThenTheHistory()
{
    SelectTestTemplate("Undo");
    auto* simple = dynamic_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    QVERIFY(simple);
    doc_->RenderFull();  // one result in the history
    guitest::Drain();
    const float start = simple->Params().var[0];
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    QVERIFY(pane);
    QSlider* slider = pane->Slider(0);
    // One drag through several values.
    const QPoint handle = slider->rect().center();
    QTest::mousePress(slider, Qt::LeftButton, {}, handle);
    for (int v : {30, 45, 60, 70}) slider->setValue(v);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, handle);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 70.0f);
    QCOMPARE(main_->Edits().Steps(), size_t(2));
    // A key press on the slider is a step of its own.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 71.0f);

    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 70.0f);
    auto* fresh = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    QCOMPARE(fresh->Slider(0)->value(), 70);  // the pane shows it
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], start);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 70.0f);
    QTest::keyClick(main_.get(), Qt::Key_Y, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 71.0f);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], start);
    // No edit left: Ctrl+Z steps back through the results, as before.
    const cv::Mat before = doc_->ShownResult();
    QVERIFY(doc_->HistorySize() >= 1);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(doc_->ShownResult().data, doc_->HistoryAt(0).data);
    QVERIFY(doc_->ShownResult().data != before.data);
}

void EditingGuiTest::resetToDefaultsIsOneUndoStep()
{
    SelectTestTemplate("Reset");
    auto* simple = dynamic_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    QVERIFY(simple);
    auto pane = [this] { return qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane()); };
    QVERIFY(pane());
    const SimpleParams defaults = simple->Params();
    // Two edits: the slider dragged, then dragged again while the region changed too (as a
    // region drag changes it).
    QSlider* slider = pane()->Slider(0);
    QTest::mousePress(slider, Qt::LeftButton, {}, slider->rect().center());
    slider->setValue(40);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->rect().center());
    guitest::Drain();
    QTest::mousePress(slider, Qt::LeftButton, {}, slider->rect().center());
    slider->setValue(60);
    simple->Params().x = 0.1f;
    simple->Params().w = 0.3f;
    QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->rect().center());
    guitest::Drain();
    const SimpleParams edited = simple->Params();
    QCOMPARE(edited.var[0], 60.0f);
    const size_t steps = main_->Edits().Steps();

    QTest::mouseClick(pane()->ResetButton(), Qt::LeftButton);
    guitest::Drain();
    QVERIFY(simple->AtDefaults());
    QCOMPARE(pane()->Slider(0)->value(), int(defaults.var[0]));
    QCOMPARE(main_->Edits().Steps(), steps + 1);

    // Ctrl+Z brings back everything the reset changed at once, the next one goes further.
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], edited.var[0]);
    QCOMPARE(simple->Params().x, edited.x);
    QCOMPARE(simple->Params().w, edited.w);
    QCOMPARE(pane()->Slider(0)->value(), 60);
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().var[0], 40.0f);
    QCOMPARE(simple->Params().x, defaults.x);
    // Redo goes to the reset again.
    QTest::keyClick(main_.get(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(main_.get(), Qt::Key_Y, Qt::ControlModifier);
    guitest::Drain();
    QVERIFY(simple->AtDefaults());

    // Reset from the keyboard is one step as well.
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QVERIFY(!simple->AtDefaults());
    pane()->ResetButton()->setFocus();
    QTest::keyClick(pane()->ResetButton(), Qt::Key_Space);
    guitest::Drain();
    QVERIFY(simple->AtDefaults());
    QTest::keyClick(main_.get(), Qt::Key_Z, Qt::ControlModifier);
    guitest::Drain();
    QCOMPARE(simple->Params().x, edited.x);
}

// --- Zoom ---------------------------------------------------------------------------------------

void EditingGuiTest::zoomFitActualSizeAndFixedSteps()
{
    SelectTestTemplate("Zoom");
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    const double fit = preview->FitPercent();
    QVERIFY(fit > 0);
    QCOMPARE(preview->ZoomPercent(), fit);
    QTest::keyClick(main_.get(), Qt::Key_1, Qt::ControlModifier);
    QVERIFY2(std::abs(preview->ZoomPercent() - std::max(100.0, fit)) < 2, qPrintable(QString::number(preview->ZoomPercent())));
    QTest::keyClick(main_.get(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(preview->Zoom().zoom, 1.0f);
    // The zoom button goes to the next fixed level above fit.
    main_->Command(tool::ZoomIn);
    const double first = ViewZoom::NextLevel(fit, fit, 1);
    QVERIFY2(std::abs(preview->ZoomPercent() - first) < 2 || preview->ZoomPercent() > fit,
             qPrintable(QString::number(preview->ZoomPercent())));
    main_->Command(tool::ZoomOut);
    QCOMPARE(preview->Zoom().zoom, 1.0f);
    // The level is shown in the corner of the preview, also at fit.
    const QImage shot = preview->grab().toImage();
    QVERIFY(!shot.isNull());
}

void EditingGuiTest::UsePatternPhoto(int width, int height)
{
    cv::Mat photo(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            photo.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(x % 200), uchar(y % 200), uchar((x + y) % 2 * 150));
    const std::string file = dir_->path() + "/pattern.png";
    QVERIFY(cv::imwrite(file, photo));
    while (doc_->PhotoCount() > 0) doc_->RemovePhoto(0);
    PhotoRecord r;
    r.path = file;
    doc_->InsertPhoto(-1, r);
    QVERIFY(doc_->SelectPhoto(0));
}

namespace {

/** The photo pixel (x mod 200, y mod 200) a screen pixel shows, or (-1, -1) when it is no photo pixel. */
QPoint PatternPixel(const QImage& shot, int x, int y)
{
    // The shift filter brightens by its default of 10.
    const QRgb c = shot.pixel(x, y);
    const int px = qBlue(c) - 10, py = qGreen(c) - 10;
    if (px < 0 || py < 0 || px >= 200 || py >= 200 || qRed(c) != 10 + (px + py) % 2 * 150) return {-1, -1};
    return {px, py};
}

/**
 * Empty when every screen pixel of the rectangle shows a photo pixel and each block of
 * `block` x `block` screen pixels shows one and the same, the next block the next photo pixel.
 */
QString PixelsOneToBlock(const QImage& shot, const QRect& area, int block)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint here = PatternPixel(shot, x, y);
            if (here.x() < 0) return QString("(%1, %2) is no photo pixel: %3").arg(x).arg(y).arg(shot.pixel(x, y), 0, 16);
            if (x > area.left()) {
                const QPoint left = PatternPixel(shot, x - 1, y);
                const int step = (here.x() - left.x() + 200) % 200;
                if (step > 1) return QString("(%1, %2): a photo column left out").arg(x).arg(y);
            }
            if (y > area.top()) {
                const QPoint up = PatternPixel(shot, x, y - 1);
                if ((here.y() - up.y() + 200) % 200 > 1) return QString("(%1, %2): a photo row left out").arg(x).arg(y);
            }
        }
    // Each photo pixel is exactly `block` screen pixels wide and high, away from the edges.
    auto runs = [&](bool across) {
        const int from = across ? area.left() : area.top(), to = across ? area.right() : area.bottom();
        int run = 1;
        for (int i = from + 1; i <= to; ++i) {
            const QPoint a = across ? PatternPixel(shot, i - 1, area.top()) : PatternPixel(shot, area.left(), i - 1);
            const QPoint b = across ? PatternPixel(shot, i, area.top()) : PatternPixel(shot, area.left(), i);
            if (a == b) {
                ++run;
                continue;
            }
            if (run != block && i - run > from) return QString("a photo pixel %1 screen pixels %2").arg(run).arg(across ? "wide" : "high");
            run = 1;
        }
        return QString();
    };
    const QString wide = runs(true);
    return wide.isEmpty() ? runs(false) : wide;
}

}  // namespace

void EditingGuiTest::zoomShowsThePhotosOwnPixels()
{
    UsePatternPhoto(2400, 1800);
    SelectTestTemplate("Pixels", false, false);
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    if (preview->devicePixelRatioF() != 1) QSKIP("counts screen pixels at a pixel ratio of 1");
    QVERIFY2(preview->FitPercent() < 50, qPrintable(QString("fit %1 %, shown %2 x %3, view %4 x %5")
                                                         .arg(preview->FitPercent())
                                                         .arg(doc_->ShownResult().cols)
                                                         .arg(doc_->ShownResult().rows)
                                                         .arg(preview->width())
                                                         .arg(preview->height())));
    // Clear of the zoom badge (top right) and the compare button (bottom left).
    const QRect inner = preview->rect().adjusted(60, 40, -70, -60);
    QVERIFY(inner.width() > 100 && inner.height() > 100);

    // At 100 % the render for the view is shown enlarged until the one for the zoom arrives
    // from the rendering thread; then each screen pixel is the photo pixel it shows.
    QTest::keyClick(main_.get(), Qt::Key_1, Qt::ControlModifier);
    QVERIFY(!preview->ShowingSharp());
    QVERIFY(!preview->grab().toImage().isNull());
    QTRY_VERIFY_WITH_TIMEOUT(preview->ShowingSharp(), 10000);
    QVERIFY2(std::abs(preview->ZoomPercent() - 100) < 0.5, qPrintable(QString::number(preview->ZoomPercent())));
    QImage shot = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QString problem = PixelsOneToBlock(shot, inner, 1);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // Panning shows other photo pixels, still one to one, with no new rendering.
    main_->Command(tool::ZoomIn);  // 150 %
    main_->Command(tool::ZoomIn);  // 200 %
    QVERIFY2(std::abs(preview->ZoomPercent() - 200) < 0.5, qPrintable(QString::number(preview->ZoomPercent())));
    QVERIFY(preview->ShowingSharp());  // the full-size render serves every level from 100 % on
    shot = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
    problem = PixelsOneToBlock(shot, inner, 2);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // A slider change shows the render for the view at once and the sharp one after.
    auto* pane = qobject_cast<COptionPane2D*>(main_->Work()->OperationPanel()->Pane());
    QVERIFY(pane);
    pane->Slider(0)->setValue(pane->Slider(0)->value() + 1);
    QTRY_VERIFY(!preview->ShowingSharp());
    QTRY_VERIFY_WITH_TIMEOUT(preview->ShowingSharp(), 10000);

    // Fit again: the whole photo, and the preview no longer holds the large render.
    QTest::keyClick(main_.get(), Qt::Key_0, Qt::ControlModifier);
    QVERIFY(!preview->ShowingSharp());
    QCOMPARE(preview->ZoomPercent(), preview->FitPercent());
}

void EditingGuiTest::regionsAreDraggedWhereTheyShowWhenZoomed()
{
    UsePatternPhoto(2400, 1800);
    SelectTestTemplate("Region");
    CPhotoEditPreviewWnd* preview = main_->Work()->Preview();
    auto* simple = dynamic_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    QVERIFY(simple);
    const qreal ratio = preview->devicePixelRatioF();
    for (double percent : {100.0, 400.0}) {
        preview->ZoomToPercent(percent);
        QTRY_VERIFY_WITH_TIMEOUT(preview->ShowingSharp(), 10000);
        // The region (the photo's middle half) lies under the view's centre; dragging its
        // inside moves it by the pointer's way in photo pixels at this zoom.
        const SimpleParams before = simple->Params();
        const QPointF from = QRectF(preview->rect()).center();
        const QPointF to = from + QPointF(40, 20);
        QTest::mouseMove(preview, from.toPoint());
        QTest::mousePress(preview, Qt::LeftButton, {}, from.toPoint());
        QTest::mouseMove(preview, to.toPoint());
        QTest::mouseRelease(preview, Qt::LeftButton, {}, to.toPoint());
        guitest::Drain();
        const double perPhotoPixel = preview->ZoomPercent() / 100 / ratio;  // logical pixels
        const double dx = (simple->Params().x - before.x) * 2400, dy = (simple->Params().y - before.y) * 1800;
        QVERIFY2(std::abs(dx - 40 / perPhotoPixel) <= 1.5 && std::abs(dy - 20 / perPhotoPixel) <= 1.5,
                 qPrintable(QString("%1 %: moved %2, %3 photo pixels").arg(percent).arg(dx).arg(dy)));
    }
}

// --- Batch export from the window ---------------------------------------------------------------

void EditingGuiTest::exportSelectedRendersEachPhotoAndListsFailures()
{
    // Four photos selected in the strip; the last one's file is gone by the time of the batch.
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        files.push_back(dir_->path() + "/in" + std::to_string(i) + ".png");
        QVERIFY(cv::imwrite(files.back(), cv::Mat(40 + i, 50, CV_8UC3, cv::Scalar::all(20 * i))));
    }
    while (doc_->PhotoCount() > 0) doc_->RemovePhoto(0);
    for (const std::string& f : files) {
        PhotoRecord r;
        r.path = f;
        doc_->InsertPhoto(-1, r);
    }
    QVERIFY(doc_->SelectPhoto(0));
    for (int i = 1; i < 4; ++i) QVERIFY(doc_->AddToSelection(i));
    std::filesystem::remove(files[3]);
    SelectTestTemplate("Batch");
    auto* simple = dynamic_cast<CT_SimpleTempl*>(doc_->CurrentTemplate());
    simple->Params().var[0] = 50;  // the window's setting goes with the batch

    MessageLog log;
    log.Install();
    const std::string out = dir_->path() + "/out";
    bool started = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        CBatchExportDlg* dlg = main_->BatchDialog();
        if (!dlg || started) return;
        started = true;
        dlg->FolderEdit()->setText(QString::fromStdString(out));
        dlg->FormatBox()->setCurrentIndex(dlg->FormatBox()->findData(QString("png")));
        dlg->Start();
        QVERIFY(dlg->Running());
        QVERIFY(dlg->Progress()->isVisible());
    });
    poll.start(20);
    main_->ExportSelected();
    QVERIFY(started);
    QTRY_VERIFY_WITH_TIMEOUT(!main_->BatchDialog(), 20000);
    QCOMPARE(log.texts.size(), 1);
    QVERIFY2(log.texts[0].contains("in3.png") && log.texts[0].contains("3 of 4"), qPrintable(log.texts[0]));
    for (int i = 0; i < 3; ++i) {
        const cv::Mat m = cv::imread(out + "/in" + std::to_string(i) + ".png");
        QVERIFY(!m.empty());
        QCOMPARE(m.rows, 40 + i);
        QVERIFY(cv::mean(m)[0] >= 20 * i + 49);  // brightened by the window's 50
    }
}
