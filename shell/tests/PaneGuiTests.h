#pragma once
// The face and 3D adjustment panes, on the shipped templates (Qt Test, offscreen).
#include <QObject>

class PaneGuiTest : public QObject {
    Q_OBJECT
private slots:
    void rotateModelBoxSetsAndKillsTheTurnTimer();
    void resetButtonPutsTheModelBack();
    void previewTurnsTheModelAndAnotherTemplateStopsIt();
    void changeFaceControlsSetTheTemplate();
    void changeFaceSlidersShowTheStoredRadii();
    void expressionListSetsTheExpression();
    void animateButtonStartsAndStopsTheAnimation();
    void searchAndToolbarSearchResetTheAnimateButton();
    void everyPaneNameIsRegistered();
};
