// SPDX-License-Identifier: MIT
#pragma once
// The editing loop of the desktop program: export choices, undo of edits, zoom, the File menu,
// recent photos, the clipboard and batch export (Qt Test, offscreen).
#include "shell/tests/GuiTestSupport.h"

#include <QObject>

#include <memory>

class EditingGuiTest : public QObject, protected guitest::ProgramWindow {
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
    void zoomShowsThePhotosOwnPixels();
    void regionsAreDraggedWhereTheyShowWhenZoomed();
    void exportSelectedRendersEachPhotoAndListsFailures();

private:
    /** A photo whose every pixel says where it is: blue x mod 200, green y mod 200, red a checkerboard. */
    void UsePatternPhoto(int width, int height);
};
