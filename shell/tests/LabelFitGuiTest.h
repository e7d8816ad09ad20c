// SPDX-License-Identifier: MIT
#pragma once
// Every text of the window, its panes and its gallery fits its place whole, in every shipped
// language, at the window's smallest size. The suite runs once at a pixel ratio of 1 and once
// more with QT_SCALE_FACTOR=2 on a 1920 x 1080 screen (ctest "shell_gui_labels_2x").
#include <QObject>

class LabelFitGuiTest : public QObject {
    Q_OBJECT
private slots:
    void everyLabelFitsInEveryLanguage();
};
