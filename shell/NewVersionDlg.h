#pragma once
/**
 * @file NewVersionDlg.h
 * @brief CNewVersionDlg: "Check for new update...". Asks the vendor's site on a worker and
 * shows what it says: a newer version (with a link to the download page), up to date, or why
 * the check failed. Closing it before the answer comes drops the answer.
 */
#include "controls/QtNotify.h"

#include <QDialog>

class QLabel;

namespace shell {

class CNewVersionDlg : public QDialog, public controls::NotifyTarget {
    Q_OBJECT
public:
    /** checkNow starts the check as soon as the dialog is created. */
    explicit CNewVersionDlg(bool checkNow, QWidget* parent = nullptr);
    ~CNewVersionDlg() override;

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;
    QString Text() const;
    bool LinkShown() const;

private:
    QLabel* text_ = nullptr;
    QLabel* link_ = nullptr;
};

}  // namespace shell
