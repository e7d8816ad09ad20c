#pragma once
/**
 * @file AboutDlg.h
 * @brief The about box: the program's name, version and copyright.
 */
#include <QDialog>

namespace shell {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace shell
