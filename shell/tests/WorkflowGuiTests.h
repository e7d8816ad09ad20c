// SPDX-License-Identifier: MIT
#pragma once
// The editing loop as a new user meets it (Qt Test, offscreen): the program with its real
// template library, photos that fail to open, the result history, menus and Escape, the
// frame, face and 3D panes, the remembered session and the labels in every language.
#include "engine/PhotoDocument.h"
#include "shell/GrimazeDlg.h"

#include <QObject>

#include <memory>

class WorkflowGuiTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void photosThatFailToOpenAreNotAdded();
    void historyStepLeavesNoStaleTemplate();
    void resultsTabShowsAResultWithoutReapplyingTheTemplate();
    void escapeClosesOnlyTheOpenMenu();
    void theSessionIsRememberedAndRestoredOnScreen();
    void framePaneOffersResetCornersAndAHint();
    void frameCornersShowHandlesAndAreGrabbedWithinReach();
    void everyPaneResetsToTheDefinitionsDefaults();
    void expressionStrengthAndFaceCount();
    void draggingThePreviewTurnsTheModelAndStopsTheTurn();

private:
    /** Makes the named template of the gallery current (searching every category); false when it is not staged. */
    bool PickTemplate(const QString& name);
    void WaitForResult();

    std::unique_ptr<CPhotoDocument> doc_;
    std::unique_ptr<shell::CGrimazeDlg> main_;
};
