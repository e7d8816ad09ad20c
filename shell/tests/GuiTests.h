#pragma once
// The desktop program's widget tests (Qt Test, offscreen).
#include "shell/tests/GuiTestSupport.h"

#include <QObject>

#include <memory>

/** The skinned controls on their own. */
class ControlsGuiTest : public QObject {
    Q_OBJECT
private slots:
    void buttonBarHoverPressAndPost();
    void buttonBarDisabledButton();
    void toolBarPostsItsCommandAndRunsHandlers();
    void skinPicturesAreSharpAtTwiceThePixelRatio();
    void pixmapCacheNeverMixesUpPictures();
};

/** The whole program, window by window. */
class ShellGuiTest : public QObject, protected guitest::ProgramWindow {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startShowsTheWindowWithTheSamplePhotos();
    void windowFrameMaximisesAndKeepsItsMinimumSize();
    void addPhotosPutsTheLastChosenFirst();
    void dropImageFilesOnTheStrip();
    void largePhotosAreOpenedOnAWorker();
    void dragAPhotoInTheStrip();
    void stripContextDeleteAndControlClick();
    void templatePaneSliderChangesThePreview();
    void templateWithoutRegionHidesTheClipBox();
    void switchingTemplatesKeepsOnePane();
    void previewZoomsAboutThePointerAndPans();
    void regionDragInThePreviewMovesTheRegion();
    void undoAndRedoStepThroughResults();
    void exportWritesTheChosenSize();
    void exportOfABackgroundTemplateWaitsForItsResult();
    void exportDialogRules();
    void failedSaveIsReported();
    void escapeAsksBeforeQuitting();
    void escapeWhileExportingDoesNotAsk();
    void originalImageViewRotatesAndCrops();
    void switchingTheLanguageRetranslates();
    void wizardOpensAddImagesAndCloses();
};

/** The program with its real template library and gallery. */
class GalleryGuiTest : public QObject, protected guitest::ProgramWindow {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void clickingAGalleryCellMakesItsTemplateCurrent();
    void galleryThumbnailsAreRenderedFromThePhoto();
    void categoriesHideAndScroll();
    void originalModeStaysWhilePhotosChange();
    void templateTimersTurnThe3DModel();
    void expressionTemplateExportsAGif();
};

/** The pieces between the engine and the windows, one at a time. */
class PartsGuiTest : public QObject {
    Q_OBJECT
private slots:
    void notificationsFromWorkersArriveInOrderOnTheInterfaceThread();
    void notificationsForGoneWindowsAreDropped();
    void timersTickUntilKilled();
    void sendAnswersOnTheInterfaceThread();
    void translationUsesBuiltInTextsThenTheLanguageFile();
    void menuTranslationWalksPopups();
    void tabBarWrapsIntoEvenRows();
    void squeezedTabsShrinkTheirFontBeforeCutting();
    void toolBarFallsBackToIconsWhenLabelsDoNotFit();
    void paneOfAReleasedTemplateIsDeletedByItsContainer();
    void previewMessagesSpinnerAndActivation();
    void wizardAsksForPhotosOrCloses();
    void resultStripAddsAndDeletesResults();
};
