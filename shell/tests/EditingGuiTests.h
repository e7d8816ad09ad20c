// SPDX-License-Identifier: MIT
#pragma once
// The editing loop of the desktop program: export choices, undo of edits, zoom, the File menu,
// recent photos, the clipboard and batch export (Qt Test, offscreen).
#include "engine/PhotoDocument.h"
#include "platform/testing/TestEnv.h"
#include "shell/GrimazeDlg.h"

#include <QObject>

#include <memory>

class EditingGuiTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void gifExportShowsTheSizeItWrites();
    void stillExportAfterAGifTakesTheFormatsExtension();
    void exportDialogFormatsQualityAndLongSide();
    void keptOpenExportShowsANoticeWithOpenFolder();
    void gifFrameDelayIsWrittenOnlyWhenAskedFor();
    void fileMenuInAMenuBarAndQuit();
    void recentPhotosAndCopyToClipboard();
    void exportChoicesAndRecentPhotosAreRememberedForTheNextRun();
    void libraryThatCannotBeInstalledIsSaidOnceWithoutBlocking();
    void welcomePanelFitsTheSmallestWindow();
    void undoTakesBackASliderDragAsOneStepThenTheHistory();
    void resetToDefaultsIsOneUndoStep();
    void zoomFitActualSizeAndFixedSteps();
    void exportSelectedRendersEachPhotoAndListsFailures();

private:
    void SelectTestTemplate(const char* name, const char* templateClass = "SimpleTemplate");

    std::unique_ptr<testenv::TempDir> dir_;
    std::unique_ptr<CPhotoDocument> doc_;
    std::unique_ptr<shell::CGrimazeDlg> main_;
    void* template_ = nullptr;  // a RefPtr<CEffectTemplate> kept alive for the test
};
