// SPDX-License-Identifier: MIT
#pragma once
// The editing loop as a new user meets it (Qt Test, offscreen): the program with its real
// template library, photos that fail to open, the result history, menus and Escape, the
// frame, face and 3D panes, the remembered session and the labels in every language.
#include "shell/tests/GuiTestSupport.h"

#include <QObject>

#include <memory>

class WorkflowGuiTest : public QObject, protected guitest::ProgramWindow {
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
    void frameCornersFollowTheZoom();
    void everyPaneResetsToTheDefinitionsDefaults();
    void expressionStrengthAndFaceCount();
    void draggingThePreviewTurnsTheModelAndStopsTheTurn();

private:
    void WaitForResult();
};
